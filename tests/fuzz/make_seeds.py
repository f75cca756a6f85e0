#!/usr/bin/env python3
"""Writes the fuzz seed corpora: small data files (scrambled, and two protected ones) in
corpus/datafile/; in
corpus/cp932/, the same clear texts behind a byte to search for; in corpus/reader/, delimited
text behind an options byte and the other delimiter; in corpus/search/, entries behind a word;
in corpus/password_csv/, the CSV files
browsers and password keepers export. Run it again after a change
here; the files it writes are kept in the repository."""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
KEY = bytes([0x7B, 0xE1, 0xA5, 0x3C])  # 0x3CA5E17B, low byte first
SEP = b"\x08"


def scramble(clear: bytes) -> bytes:
    return bytes(b ^ KEY[i % 4] for i, b in enumerate(clear))


def line(*fields: bytes) -> bytes:
    return SEP.join(fields) + b"\r\n"


# "タイトル" and "メモ" in CP932; the katakana's second bytes are lead-byte values too.
TITLE = b"\x83\x5e\x83\x43\x83\x67\x83\x8b"
MEMO = b"\x83\x81\x83\x82"

CLEAR = {
    "empty": b"",
    "one_entry": line(TITLE, b"user", b"p@ss", MEMO, b"https://www.example.jp/"),
    "url_keeps_separators": line(b"t", b"u", b"p", b"m", b"h1\x08h2\x08h3"),
    "few_separators": b"a\x08b\r\nno separator\r\n\x08\x08\x08\x08\r\n",
    "line_ends": b"a\x081\nb\x082\rc\x083\r\n\n\r\r\nlast",
    "nul_ends_text": b"a\r\nb\x00c\r\nd\r\n",
    "separator_as_second_byte": b"\x95\x08x\x08u\x08p\x08m\x08h\r\n\x95\x95\x08u\x08p\x08m\x08h\r\n",
    "lead_byte_at_line_end": b"t\x08u\x08\x95\r\n\x08\x08\x08\x08\x88\r\n\x81",
    "second_byte_5c": line(b"\x95\x5c", b"\x83\x5c", b"pw", b"", b"C:\\path\\"),
    "crosses_buffer": b"".join(
        line(TITLE + str(i).encode(), b"user%d" % i, b"pw%d" % i, MEMO, b"http://example.jp/%d" % i)
        for i in range(120)
    ),
}


def protected(version: int, iterations: int, sealed: bytes) -> bytes:
    """A protected file's header (magic, version, PBKDF2-HMAC-SHA256, AES-256-GCM, count,
    salt, nonce, key check) and what follows it; the key check and tag are not real ones."""
    return b"{Tobrix}" + struct.pack("<HBBI", version, 1, 1, iterations) + bytes(16) + bytes(12) + bytes(32) + sealed


PROTECTED = {
    "protected_wrong_check": protected(1, 100_000, b"sealed text" + bytes(16)),
    "protected_newer": protected(2, 600_000, bytes(16)),
}


def write(folder: str, name: str, data: bytes) -> None:
    path = os.path.join(HERE, "corpus", folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main() -> None:
    for name, clear in CLEAR.items():
        write("datafile", name, scramble(clear))
        write("cp932", name, SEP + clear)
    for name, data in PROTECTED.items():
        write("datafile", name, data)
    write("cp932", "search_lead_byte", b"\x83" + TITLE + b"\x83")
    write("cp932", "search_backslash", b"\\" + b"\x95\x5ca\\")
    # Options: bits 0-4 tab, comma, space, semicolon, other; bit 5 runs as one; bits 6-7 the
    # quote (none, double, single, the other delimiter).
    for name, options, other, text in READER:
        write("reader", name, bytes([options]) + other + text)
    for name, text in PASSWORD_CSV:
        write("password_csv", name, text)
    # The search: the word's length, the word, then entries a line each, fields apart by 0x01.
    long_memo = b"x" * 47 + b"quiz" + b"y" * 20
    write("search", "words_across_blocks",
          bytes([4]) + b"quiz" + b"\n".join([b"Bank\x01me\x01" + long_memo[i:] + b"\x01http://a" for i in range(40)]))
    write("search", "second_byte_5c", bytes([1]) + b"\\" + b"\x83\x5c\x01\x95\x5c\n\\\x01\x01\x01")
    write("search", "lead_byte_ends_field", bytes([1]) + b"\\" + b"\x83\x5c\x01\x01\x5c\x01\x95\n\\\x01\x95\x01\x01x")
    write("search", "across_fields", bytes([3]) + b"k\x01m" + b"Bank\x01me\n" + TITLE + b"\x01k\x01m")


READER = [
    ("comma_quoted", 0x42, b"|", b'"abc,def",ghi\r\n"",x,"a""b"\r\n1,2,3,4,5,6,7'),
    ("space_as_one", 0x24, b"|", b"a  b\n  c\n\n,,a"),
    ("all_as_one", 0x3F, b"|", b"a,\t;| b||c\r\rd\x00e"),
    ("other_backslash", 0x12, b"\\", b"\x83\x5c\\x,\x95\\\r\n" + TITLE + b"\\" + MEMO),
    ("other_double_byte", 0xD0, b"\x81\x45", b"a\x81\x45b\x81\x45\x81\x45c\x81\x45\x81"),
    ("separator_and_lone_lead", 0x02, b"|", b"a\x08b,c\x83\r\n\x83,d"),
]

# "ショップ" and "一行目 二行目" in UTF-8, and the same title in CP932.
SHOP = "ショップ".encode("utf-8")
PASSWORD_CSV = [
    ("browser_utf8_bom", b"\xef\xbb\xbfname,url,username,password,note\r\n" + SHOP
     + b',https://shop.example.jp/login,taro,"p,w","' + "一行目\n二行目".encode("utf-8") + b'"\r\n'),
    ("firefox_columns", b'"url","username","password","httpRealm","formActionOrigin","guid"\n'
     b'"https://a.example","me","x""y",,"https://a.example","{1}"\n'),
    ("keepass_1x_escapes", b'"Account","Login Name","Password","Web Site","Comments"\r\n'
     b'"' + TITLE + b'\x83\x5c","me","a\\"b\\\\","https://a.example","x\\"\r\ny"\r\n'),
    ("onepassword7_types", b'"Title","Type","URL","Username","Password","Notes"\n'
     b'"a","Login","https://a.example","me","p\\"w,1","n"\n"b","Credit Card",,,,\n"c"d",x\n'),
    ("cp932_and_ragged", b"title,login,password,notes\r\n" + TITLE + b",id,pw\r\n,,,\r\n\"open quote,x\r\n"),
]


if __name__ == "__main__":
    main()
