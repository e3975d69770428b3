#!/usr/bin/env python3
"""Times requests one after another, each on a new connection as a visitor's first request,
and prints the median and the 90th percentile in milliseconds and the answers other than 200.
For scripts/bench-server; every request is to loopback and has a bounded wait.
  latency.py BASE-URL COUNT PATHS-FILE
PATHS-FILE holds the paths (with their queries) one a line, taken in order and each once while
they last, then from the start again."""
import http.client
import statistics
import sys
import time
import urllib.parse

USAGE = "usage: latency.py BASE-URL COUNT PATHS-FILE (COUNT from 1 to 100000)"
# No answer on loopback takes this long unless the service has stopped answering.
WAIT_SECONDS = 30
# Between requests, so that the service is asked as by visitors rather than by a crowd.
PAUSE_SECONDS = 0.005


def refuse(why):
    print(f"latency.py: {why} ({USAGE})", file=sys.stderr)
    sys.exit(2)


def main(argv):
    if len(argv) == 1 and argv[0] in ("--help", "-h"):
        print(__doc__.strip())
        return 0
    if len(argv) != 3:
        refuse("takes a base URL, a count and a file of paths")
    base = urllib.parse.urlsplit(argv[0])
    if base.scheme != "http" or base.hostname not in ("127.0.0.1", "localhost") or not base.port:
        refuse(f"'{argv[0]}' is no loopback address with a port")
    if not argv[1].isdigit() or not 1 <= int(argv[1]) <= 100000:
        refuse(f"'{argv[1]}' is no count from 1 to 100000")
    count = int(argv[1])
    try:
        with open(argv[2], encoding="ascii") as file:
            paths = [line.strip() for line in file if line.strip()]
    except OSError as error:
        refuse(f"cannot read '{argv[2]}': {error.strerror}")
    if not paths or not all(path.startswith("/") for path in paths):
        refuse(f"'{argv[2]}' holds no paths, one a line, each starting with /")
    times = []
    others = 0
    for i in range(count):
        start = time.perf_counter()
        connection = http.client.HTTPConnection(base.hostname, base.port, timeout=WAIT_SECONDS)
        try:
            connection.request("GET", paths[i % len(paths)])
            response = connection.getresponse()
            response.read()
            others += response.status != 200
        finally:
            connection.close()
        times.append((time.perf_counter() - start) * 1000)
        time.sleep(PAUSE_SECONDS)
    times.sort()
    print(f"{statistics.median(times):.3f} {times[int(len(times) * 0.9)]:.3f} {others}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
