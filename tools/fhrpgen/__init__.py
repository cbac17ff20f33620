"""The model generator: reads the schema and writes the C++ model classes."""
