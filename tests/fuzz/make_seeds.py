#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora: tiny streams and packages in the stored format.
Run with two small JPEG files (made by the project, e.g. with ImageMagick) as arguments."""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def sstr(s: bytes) -> bytes:
    return bytes([len(s)]) + s


def integer(v: int) -> bytes:
    if -128 <= v <= 127:
        return b"\x02" + struct.pack("<b", v)
    if -32768 <= v <= 32767:
        return b"\x03" + struct.pack("<h", v)
    return b"\x04" + struct.pack("<i", v)


def string(s: bytes) -> bytes:
    if any(c >= 0x80 for c in s):
        u = s.decode("cp1252").encode("utf-8")
        return b"\x14" + struct.pack("<I", len(u)) + u
    if len(s) <= 255:
        return b"\x06" + sstr(s)
    return b"\x0c" + struct.pack("<I", len(s)) + s


def picture_item(jpeg: bytes, cls: bytes = b"TJPEGImage") -> bytes:
    payload = sstr(cls) + struct.pack("<I", len(jpeg)) + jpeg
    out = b"TPF0" + sstr(b"TImage") + sstr(b"")
    for name, v in ((b"Left", 0), (b"Top", 0), (b"Width", 105), (b"Height", 105)):
        out += sstr(name) + integer(v)
    out += sstr(b"Picture.Data") + b"\x0a" + struct.pack("<I", len(payload)) + payload
    return out + b"\x00\x00"


def settings(props) -> bytes:
    out = b"TPF0" + sstr(b"TSSFileLocations") + sstr(b"")
    for name, value in props:
        out += sstr(name) + value
    return out + b"\x00\x00"


def field(v: int) -> bytes:
    return str(v).encode().ljust(20, b" ")


def package(jpegs) -> bytes:
    body = b"MZ" + b"\x00" * 62
    first = len(body)
    offsets = []
    for j in jpegs:
        offsets.append(len(body))
        body += picture_item(j)
    snd_at = len(body)
    body += b"RIFF0000WAVE"
    flash_at = len(body)
    body += b"FWS\x05"
    settings_at = len(body)
    body += settings([
        (b"Text", string(b"Caption")),
        (b"TextFont.Charset", b"\x07" + sstr(b"DEFAULT_CHARSET")),
        (b"TextFont.Color", b"\x07" + sstr(b"clWindowText")),
        (b"TextFont.Height", integer(-32)),
        (b"TextFont.Name", string(b"Arial")),
        (b"TextFont.Style", b"\x0b" + sstr(b"fsBold") + b"\x00"),
        (b"lRandomPic", b"\x09"),
        (b"Interval", integer(5000)),
        (b"Title", string(b"Caf\xe9")),
        (b"Ver", string(b"photo")),
        (b"PicCommaList", string(",".join(map(str, offsets)).encode())),
        (b"SndCommaList", string(str(snd_at).encode())),
        (b"SndFileNamesCommaList", string(b'"a song.wav"')),
        (b"SndSizesCommaList", string(b"12")),
        (b"FlashCommaList", string(str(flash_at).encode())),
        (b"FlashFileNamesCommaList", string(b"m.swf")),
        (b"FlashSizesCommaList", string(b"4")),
    ])
    return body + field(settings_at - first + (len(body) - settings_at)) + field(settings_at)


def write(target: str, name: str, data: bytes) -> None:
    d = os.path.join(HERE, "corpus", target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def main() -> None:
    jpegs = [open(p, "rb").read() for p in sys.argv[1:3]]
    pkg = package(jpegs)
    write("package_file", "two_pictures", pkg)
    write("package_file", "bare_program", b"MZ" + b"\x00" * 100)
    settings_at = int(pkg[-20:].strip())
    write("stream_reader", "settings", pkg[settings_at:-40])
    write("stream_reader", "picture", picture_item(jpegs[0]))
    write("stream_reader", "nested", b"TPF0" + sstr(b"TSSFileLocations") + sstr(b"") + sstr(b"X") +
          b"\x01\x01\x0e\x01" + sstr(b"P") + b"\x0d\x00\x00\x00\x00" + b"\x00" +
          b"\xf2\x02\x01" + sstr(b"TChild") + sstr(b"c") + b"\x00\x00" + b"\x00")
    write("stream_reader", "kinds", b"TPF0" + sstr(b"TSSFileLocations") + sstr(b"") +
          sstr(b"Text") + b"\x12" + struct.pack("<I", 2) + "é!".encode("utf-16-le") +
          sstr(b"lMute") + b"\x07" + sstr(b"true") +
          sstr(b"Unknown") + b"\x05" + b"\x00" * 8 + b"\x00\x40" +
          sstr(b"Other") + b"\x13" + b"\x01" * 8 + b"\x00\x00")
    for i, j in enumerate(jpegs):
        write("jpeg_payload", "jpeg%d" % i, j)
    write("comma_text", "plain", b"a,b,,c")
    write("comma_text", "quoted", b'  "x, y" , "say ""hi""",z ,')
    write("comma_text", "empty_item", b'""')


if __name__ == "__main__":
    main()
