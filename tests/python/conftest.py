"""What the tests share: the C++ programs they start, and a place for
sockets."""

import os
import subprocess

import pytest


@pytest.fixture
def socket_path(tmp_path):
    return str(tmp_path / "fhrp.sock")


class FrontEnd:
    """fhrpctl serving a configuration: edits go in a line at a time, and
    each answer says the edit reached every agent."""

    def __init__(self, config, socket_path):
        self.process = subprocess.Popen(
            [os.environ["FHRPCTL"], str(config), "serve", socket_path],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        assert self.process.stdout.readline() == f"serving {socket_path}\n"

    def edit(self, line):
        """Sends one edit; returns the answer: "ok" and the bytes sent to
        each agent, or "error: " and the refusal."""
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        return self.process.stdout.readline().rstrip("\n")

    def close(self):
        self.process.stdin.close()
        assert self.process.wait(timeout=30) == 0


@pytest.fixture
def front_end(tmp_path, socket_path):
    """Starts fhrpctl serving the configuration written by start(text)."""
    started = []

    def start(text):
        config = tmp_path / "config.txt"
        config.write_text(text)
        started.append(FrontEnd(config, socket_path))
        return started[-1]

    yield start
    for f in started:
        if f.process.poll() is None:
            f.close()
