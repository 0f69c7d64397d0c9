"""Seed corpora of the fuzz targets of run_fuzzers.sh: inputs that pass the checks in front of
each parser, so the fuzzer starts inside it. Usage: make_seeds.py <work dir> <reply mask>."""
import os
import struct
import sys

work = sys.argv[1]


def write(target, name, data):
    folder = os.path.join(work, target + "_corpus")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bytes(data))


def reply(payload):
    """One scripted reader reply of fuzz_reader.h: a length byte, then the payload."""
    return bytes([len(payload)]) + bytes(payload)


def samv_frame(body):
    frame = bytes([0xAA, 0xAA, 0xAA, 0x96, 0x69]) + struct.pack(">H", len(body) + 1) + bytes(body)
    check = 0
    for b in frame[5:]:
        check ^= b
    return frame + bytes([check])


# SAMV: send, poll (7 held), header, poll (all held), chunks of 240.
for name, extra in (("plain", 0), ("fingerprint", 2 + 200)):
    body = [0x00, 0x00, 0x90] + [(i * 7) & 0xFF for i in range(1295 - 7 - 1 - 3 + extra)]
    frame = samv_frame(body)
    total = len(frame)
    seed = reply([]) + reply(struct.pack("<I", 7)) + reply(frame[:7])
    seed += reply(struct.pack("<I", total))
    for at in range(0, total, 240):
        seed += reply(frame[at:at + 240])
    write("samv", name, seed)


def m100(type_, command, parameters):
    body = bytes([type_, command]) + struct.pack(">H", len(parameters)) + bytes(parameters)
    return bytes([0xBB]) + body + bytes([sum(body) & 0xFF, 0x7E])


notice = [0xC8, 0x30, 0x00] + list(range(12)) + [0x12, 0x34]
write("m100", "inventory", reply(m100(2, 0x22, notice)) * 3 + reply(m100(1, 0xFF, [0x15])))
write("m100", "values", reply(m100(1, 0x03, [1]) + b"V1.0") + reply(m100(1, 0xB7, [0x07, 0xD0])))
write("m100", "frame", m100(1, 0x39, [0x0C, 0x30, 0x00] + list(range(12)) + [1, 2, 3, 4]))

# Identity-server messages: one raw reply, and a scripted dispatch flow.
key = b"rawkey01"


def server_reply(status, payload):
    message = bytearray(struct.pack("<I", 16 + len(payload)) + key + struct.pack("<i", status))
    message += bytes(payload)
    for p in range(12, len(message)):
        i = p - 12
        message[p] ^= key[i % 8] ^ (i % 256)
    return bytes(message)


write("server_message", "raw", bytes([0, 3]) + server_reply(0, bytes(range(40))))
write("server_message", "sam", bytes([0, 3]) + server_reply(0, bytes([0x00, 0x00, 0x90])))


def scripted(status, payload, raw=False):
    piece = (bytes([1]) + payload) if raw else (bytes([0, status & 0xFF]) + bytes(payload))
    return struct.pack("<H", len(piece)) + piece


dispatch = bytes(8) + bytes([0x3C] * 34) + b"decoder 1\0"
flow = bytes([1]) + scripted(0, dispatch) + scripted(0, bytes(range(8)) * 2)
flow += scripted(0, bytes(8)) + b"".join(scripted(0, bytes(80)) for _ in range(6))
flow += scripted(0, bytes(14) + bytes(256) + bytes(1024))
write("server_message", "flow", flow)
write("server_message", "flow_alternative", bytes([1]) + flow[1:].replace(b"\x00", b"\x00", 1))

# SLIP: packets dense in end and escape bytes.
write("slip", "dense", bytes([255, 47]) + bytes([0xC0, 0xDB] * 300))
write("slip", "plain", bytes([16, 10]) + bytes(range(60)))
write("slip", "run", bytes([0xDB, 0xDD, 0xDD, 0xDC, 0x00]))

# Callback pieces: a first piece with a short frame, one in two pieces.
first = bytes([0x01, 0x2C]) + bytes([5, 0x05, 1, 2, 3, 4, 5]).ljust(256, b"\0")
write("callback", "one", first)
two = bytes([0x01, 0x2C]) + (bytes([3, 9, 1, 2]).ljust(256, b"\0")) + (bytes([8, 255]) + bytes(range(7))).ljust(256, b"\0")
write("callback", "two", two)
