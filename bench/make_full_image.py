#!/usr/bin/env python3
"""Writes a Motorola S-record firmware file that fills every block a rewrite sends
(0x04000..0x0DFFF and 0x10000..0x23FFF), for benchmarks that need all 120 blocks.

usage: make_full_image.py OUTPUT.mot [SEED]
"""
import random
import sys

RANGES = [(0x04000, 0x0E000), (0x10000, 0x24000)]
BYTES_PER_RECORD = 32


def s_record(kind: str, body: bytes) -> str:
    """body: count, address and data bytes; the checksum is appended."""
    checksum = (~sum(body)) & 0xFF
    return "S" + kind + body.hex().upper() + f"{checksum:02X}"


def s2_record(address: int, data: bytes) -> str:
    count = 3 + len(data) + 1
    return s_record("2", bytes([count, (address >> 16) & 0xFF, (address >> 8) & 0xFF, address & 0xFF]) + data)


def main() -> int:
    if len(sys.argv) not in (2, 3):
        print(__doc__.strip(), file=sys.stderr)
        return 1
    rng = random.Random(int(sys.argv[2]) if len(sys.argv) == 3 else 1)
    header = b"full_image.mot"
    lines = [s_record("0", bytes([len(header) + 3, 0, 0]) + header)]
    for start, stop in RANGES:
        for address in range(start, stop, BYTES_PER_RECORD):
            # Never 0xFF, so every row counts as used.
            data = bytes(rng.randrange(0, 0xFF) for _ in range(BYTES_PER_RECORD))
            lines.append(s2_record(address, data))
    lines.append(s_record("8", bytes([4, 0, 0, 0])))
    with open(sys.argv[1], "w", newline="\r\n") as out:
        out.write("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
