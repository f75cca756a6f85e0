#!/usr/bin/env python3
"""Prints the bytes of a small protected data file made from a fixed password, salt and nonce,
computed here with Python's hashlib and the cryptography package, independently of the
program's own code and of Windows. Crypto_test.cpp pins them: run this again and paste its
output there after a change of the file's layout. Version 1, without the header's checksum, is
what earlier versions of the program wrote."""

import hashlib
import hmac
import struct
import zlib

from cryptography.hazmat.primitives.ciphers.aead import AESGCM

PASSWORD = "pässwört".encode("utf-8")  # the program keys on the UTF-8 of the password
SALT = bytes(range(16))
NONCE = bytes(range(0xA0, 0xAC))
ITERATIONS = 100_000
TEXT = b"Bank\x08alice\x08hunter2\x08\x08https://example.jp/\r\n\x83\x5e\x08\x08\x08\x08\r\n"

FILE_KEY_LABEL = b"Tobrix data file key"
CHECK_KEY_LABEL = b"Tobrix password check key"


def protected_file(version: int) -> bytes:
    master = hashlib.pbkdf2_hmac("sha256", PASSWORD, SALT, ITERATIONS, 32)
    file_key = hmac.new(master, FILE_KEY_LABEL, "sha256").digest()
    check_key = hmac.new(master, CHECK_KEY_LABEL, "sha256").digest()
    # magic, version, PBKDF2-HMAC-SHA256, AES-256-GCM, iterations, salt, nonce
    header = b"{Tobrix}" + struct.pack("<HBBI", version, 1, 1, ITERATIONS) + SALT + NONCE
    header += hmac.new(check_key, header, "sha256").digest()
    assert len(header) == 76
    if version >= 2:
        header += struct.pack("<I", zlib.crc32(header))  # the header's checksum
    return header + AESGCM(file_key).encrypt(NONCE, TEXT, header)  # the text encrypted, then the tag


def main() -> None:
    for version in (1, 2):
        print(f"version {version}:")
        data = protected_file(version).hex()
        for i in range(0, len(data), 64):
            print(f'"{data[i:i + 64]}"')


if __name__ == "__main__":
    main()
