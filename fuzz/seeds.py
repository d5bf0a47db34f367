#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/.

Seeds of the file readers are the golden fixtures of the tests (hex text
turned into bytes, ini files as they are); seeds of the targets whose input
is a script of their own (frames, TFTP, D-Bus, BER) are written here, in the
forms the targets document. Inputs added by hand (one that once broke a
reader) live beside the seeds under other names and are left alone.

usage: seeds.py   (run from anywhere; rewrites only the seed_* files)
"""
import pathlib
import struct

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"


def hex_fixture(path):
    out = bytearray()
    for line in path.read_text(encoding="utf-8").splitlines():
        out += bytes.fromhex(line.split("#", 1)[0])
    return bytes(out)


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / ("seed_" + name)).write_bytes(data)


def archive_seeds():
    for folder in ("tests/device_editor/fixtures", "tests/model/fixtures",
                   "tests/model/ari/fixtures"):
        for path in sorted((ROOT / folder).glob("*.hex")):
            write("archive", path.stem, hex_fixture(path))
    # The module array of a DSP sheet.
    path = ROOT / "tests/platform/archive/fixtures/delay_in_array.hex"
    write("archive", path.stem, hex_fixture(path))


def mac(text):
    return bytes.fromhex(text)


def ip(text):
    return bytes(int(p) for p in text.split("."))


def announcement(source, *ips, kind=1, version=2):
    frame = mac("01602bffff01") + mac(source) + b"\x88\x19" + bytes([kind, version])
    frame += b"\x03\x04" + bytes(4)              # an entry of another type
    for address in ips:
        frame += b"\x03\x08" + ip(address)       # an address entry
    return frame + b"\x00\x00"


def arp(operation, sender_mac, sender_ip, target_ip, ether_type=0x0806):
    return (b"\xff" * 6 + mac(sender_mac) + struct.pack(">H", ether_type) +
            b"\x00\x01\x08\x00\x06\x04" + struct.pack(">H", operation) + mac(sender_mac) +
            ip(sender_ip) + b"\xff" * 6 + ip(target_ip))


def frames_seeds():
    # Whole inputs are read as one frame; then cut into frames at length bytes.
    write("frames", "announcement", announcement("00602b000003", "198.18.1.3"))
    write("frames", "announcement_no_ip", announcement("00602b000004", "0.0.0.0"))
    write("frames", "arp_reply", arp(2, "00602b000005", "198.18.1.5", "198.18.0.1"))
    frames = [announcement("00602b000003", "198.18.1.3", "198.18.1.30"),
              announcement("00602b000004", "0.0.0.0"),
              announcement("00602b000006", "198.18.1.6", kind=0),
              arp(2, "00602b000003", "198.18.1.3", "198.18.0.1"),
              arp(4, "00602b000003", "198.18.1.3", "198.18.0.1", ether_type=0x8035)]
    write("frames", "session", b"".join(bytes([len(f)]) + f for f in frames))


def tftp_datagram(data, stranger=False):
    return bytes([0x80 if stranger else 0]) + struct.pack(">H", len(data)) + data


def tftp_data(block, payload):
    return struct.pack(">HH", 3, block) + payload


def tftp_ack(block):
    return struct.pack(">HH", 4, block)


def tftp_error(code, text):
    return struct.pack(">HH", 5, code) + text + b"\x00"


def tftp_seeds():
    # mode (bit 0: write), read limit or write offset / 16, write length / 16
    block = bytes(range(256)) * 2
    write("tftp", "read_two_blocks", bytes([0, 0xFF, 0]) +
          tftp_datagram(tftp_data(1, block)) + tftp_datagram(tftp_data(2, b"tail")))
    write("tftp", "read_duplicate_and_stranger", bytes([0, 0xFF, 0]) +
          tftp_datagram(tftp_data(1, block), stranger=True) +
          tftp_datagram(tftp_data(1, block)) + tftp_datagram(tftp_data(1, block)) +
          tftp_datagram(tftp_data(2, b"")))
    write("tftp", "read_over_limit", bytes([0, 2, 0]) + tftp_datagram(tftp_data(1, bytes(100))))
    write("tftp", "read_error", bytes([0, 0xFF, 0]) + tftp_datagram(tftp_error(1, b"File not found")))
    write("tftp", "write_range", bytes([1, 0, 64]) +
          tftp_datagram(tftp_ack(0)) + tftp_datagram(tftp_ack(1)) + tftp_datagram(tftp_ack(2)))
    write("tftp", "write_late_ack", bytes([1, 4, 40]) +
          tftp_datagram(tftp_ack(0)) + tftp_datagram(tftp_ack(0)) + tftp_datagram(tftp_ack(1)) +
          tftp_datagram(tftp_ack(2)))
    write("tftp", "write_past_file_end", bytes([1, 120, 32]) +
          tftp_datagram(tftp_ack(0)) + tftp_datagram(tftp_ack(1)))
    write("tftp", "write_refused", bytes([1, 0, 8]) +
          tftp_datagram(tftp_error(3, b"Disk full")))


def ini_seeds():
    for path in ("tests/discovery/golden/history_before.ini",
                 "tests/discovery/golden/history_saved.ini",
                 "tests/model/fixtures/home/Ostrel.ini"):
        source = ROOT / path
        write("ini", source.parent.name + "_" + source.name, source.read_bytes())
    write("ini", "quotes_crlf_duplicates",
          b"; comment\r\n[Main]\r\nName = \"quoted value\" \r\nname=second\r\n"
          b"Count=  -12abc\r\n\r\n[main]\r\nLater=1\r\n[Empty]\r\nno equals sign")
    write("ini", "gbk", "[设备]\n名称=调音台\n".encode("gbk"))


# Tags in the D-Bus recipe: indexes of the target's table of type tags.
VT = {"EMPTY": 0, "NULL": 1, "I2": 2, "I4": 3, "R8": 4, "BSTR": 5, "BOOL": 6, "ERROR": 7,
      "DISPATCH": 8, "UNKNOWN": 9, "UI1": 10, "UI4": 11, "VARIANT": 12, "BYREF_I4": 13}
# Signature bytes: basic types by index in "ybnqiuxtdsog", 12 an array of.
SIG = {t: i for i, t in enumerate("ybnqiuxtdsog")}


def invoke(*args, named=()):
    recipe = bytes([1]) + struct.pack("<iH", 7, 1) + bytes([len(args)])
    for tag, signature, value in args:
        recipe += bytes([VT[tag]]) + signature + value
    recipe += bytes([len(named)]) + b"".join(struct.pack("<i", n) for n in named)
    return recipe


def dbus_seeds():
    write("dbus_codec", "numbers", invoke(
        ("I4", bytes([SIG["i"]]), struct.pack("<i", -5)),
        ("UI4", bytes([SIG["u"]]), struct.pack("<I", 5)),
        ("I2", bytes([SIG["n"]]), struct.pack("<h", -2)),
        ("UI1", bytes([SIG["y"]]), b"\x07"),
        ("R8", bytes([SIG["d"]]), struct.pack("<d", 1.5)),
        ("ERROR", bytes([SIG["i"]]), struct.pack("<i", -2147352572)), named=(-3,)))
    write("dbus_codec", "text_and_objects", invoke(
        ("BSTR", bytes([12, SIG["y"]]), bytes([3, 0x41, 0xE8, 0x00])),
        ("BSTR", bytes([SIG["b"]]), b"\x00"),
        ("BOOL", bytes([SIG["b"]]), b"\x01"),
        ("DISPATCH", bytes([SIG["o"]]), bytes([3, 0, 1, 2])),
        ("EMPTY", bytes([SIG["y"]]), b"\x00")))
    write("dbus_codec", "wrong_types", invoke(
        ("I4", bytes([SIG["s"]]), bytes([2, 0, 1])),
        ("VARIANT", bytes([SIG["i"]]), bytes(4)),
        ("BYREF_I4", bytes([SIG["i"]]), bytes(4))))
    write("dbus_codec", "any_form", bytes([0, 2, SIG["s"], 1, 0, 12, SIG["i"], 1, 1, 2, 3, 4]))


def ber(tag, content):
    if len(content) < 0x80:
        return bytes([tag, len(content)]) + content
    digits = len(content).to_bytes((len(content).bit_length() + 7) // 8, "big")
    return bytes([tag, 0x80 | len(digits)]) + digits + content


def ber_int(value):
    return ber(0x02, value.to_bytes(max(1, (value.bit_length() + 8) // 8), "big", signed=True))


def ber_oid(dotted):
    ids = [int(p) for p in dotted.split(".")]
    out = bytearray()
    for n in [ids[0] * 40 + ids[1]] + ids[2:]:
        groups = [n & 0x7F]
        n >>= 7
        while n:
            groups.insert(0, 0x80 | (n & 0x7F))
            n >>= 7
        out += bytes(groups)
    return ber(0x06, bytes(out))


def snmp(pdu_type, request_id, bindings, community=b"public", status=0, index=0):
    vbs = b"".join(ber(0x30, ber_oid(name) + value) for name, value in bindings)
    pdu = ber(pdu_type, ber_int(request_id) + ber_int(status) + ber_int(index) + ber(0x30, vbs))
    return ber(0x30, ber_int(0) + ber(0x04, community) + pdu)


def ber_seeds():
    null = ber(0x05, b"")
    write("ber", "get", snmp(0xA0, 1, [("1.3.6.1.2.1.1.5.0", null)]))
    write("ber", "get_next", snmp(0xA1, 0x7FFFFFFF, [("1.3.6.1.4.1.99999.1", null),
                                                     ("1.3.6.1.2.1.2.2.1.10.1", null)]))
    write("ber", "set_text", snmp(0xA3, -4, [("1.3.6.1.4.1.99999.2.1.0",
                                              ber(0x04, "通道 1".encode("gbk") * 20))],
                                  community=b"private"))
    write("ber", "response", snmp(0xA2, 9, [
        ("1.3.6.1.2.1.1.3.0", ber(0x43, b"\x01\x02\x03")),
        ("1.3.6.1.2.1.4.20.1.1.1", ber(0x40, bytes([198, 18, 0, 1]))),
        ("1.3.6.1.2.1.31.1.1.1.6.1", ber(0x46, b"\x00\xff" + bytes(7))),
        ("2.999.3", ber(0x41, b"\x00\x80\x00\x00\x00"))], status=2, index=1))


if __name__ == "__main__":
    archive_seeds()
    frames_seeds()
    tftp_seeds()
    ini_seeds()
    dbus_seeds()
    ber_seeds()
