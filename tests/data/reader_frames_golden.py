#!/usr/bin/env python3
"""Golden reader frames, computed straight from the wire format.

Usage: reader_frames_golden.py <reply mask K as 8 hex digits, wire order>

Prints one case a line:
  REQ <packet size> <mask> <sequence> <command> <payload> <frame>
  REP <mask> <sequence> <status> <payload> <frame>
numbers in decimal, byte strings in hex ("-" for none).
"""
import sys


def hexs(data):
    return data.hex().upper() if data else "-"


def xor_all(data):
    x = 0
    for b in data:
        x ^= b
    return x


def request(packet, mask, seq, cmd, payload):
    n = len(payload) + 10
    plain = bytes([seq, cmd, len(payload) >> 8, len(payload) & 0xFF]) + payload
    scrambled = bytes(b ^ mask[i % 4] ^ (i % 256) for i, b in enumerate(plain))
    head = bytes([255 if n > packet else n - 1]) + mask
    frame = head + scrambled
    return frame + bytes([xor_all(frame)])


def reply(k, mask, seq, status, payload):
    body = bytes([seq, status, len(payload)]) + payload
    scrambled = bytes(b ^ (j % 256) ^ mask[j % 4] ^ k[j % 4] for j, b in enumerate(body))
    frame = bytes([len(body) + 1]) + scrambled
    return frame + bytes([xor_all(frame)])


def ramp(n, start=0, step=1):
    return bytes((start + i * step) % 256 for i in range(n))


def main():
    k = bytes.fromhex(sys.argv[1])
    requests = [
        (255, bytes(4), 0, 1, b""),
        (255, bytes.fromhex("12345678"), 5, 6, bytes([1])),
        (64, bytes.fromhex("A1B2C3D4"), 0, 30, ramp(54)),            # n = 64 on HID
        (64, bytes.fromhex("A1B2C3D4"), 0, 30, ramp(55)),            # n = 65 on HID
        (255, bytes.fromhex("A1B2C3D4"), 255, 30, ramp(55)),         # n = 65 elsewhere
        (255, bytes.fromhex("0F1E2D3C"), 17, 200, ramp(245, 7, 3)),  # n = 255
        (255, bytes.fromhex("FFFFFFFF"), 128, 77, ramp(246, 1, 5)),  # n = 256
        (64, bytes.fromhex("5AA5C33C"), 3, 48, ramp(290, 9, 11)),    # n = 300
    ]
    for packet, mask, seq, cmd, payload in requests:
        frame = request(packet, mask, seq, cmd, payload)
        print("REQ", packet, hexs(mask), seq, cmd, hexs(payload), hexs(frame))
    replies = [
        (bytes(4), 1, 0, b""),
        (bytes.fromhex("12345678"), 6, 0, ramp(16, 0x30)),
        (bytes.fromhex("A1B2C3D4"), 0, 1, bytes([6])),
        (bytes.fromhex("FFFFFFFF"), 129, 0, ramp(251, 3, 7)),
    ]
    for mask, seq, status, payload in replies:
        frame = reply(k, mask, seq, status, payload)
        print("REP", hexs(mask), seq, status, hexs(payload), hexs(frame))


main()
