// Built and run at configure time: does this machine run what the build makes?
int main() { return 0; }
