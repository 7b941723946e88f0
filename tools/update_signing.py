"""Signing of update replies with a P-256 key through the openssl command-line tool.

The program trusts a reply only when the release key signed its version, size and SHA-256;
this module makes such signatures for the test server and for the build's test vectors.
No private key is kept in the repository: test keys are made in the build tree.
"""
import os
import subprocess

HEAD = b"Varnook update v1\n"


def signed_message(version, size, sha256):
    """The bytes the release key signs (the same as the program builds)."""
    return HEAD + b"\n".join(x.encode("utf-8") for x in (version, str(size), sha256)) + b"\n"


def ensure_key(path):
    """Makes a new P-256 private key at path unless one is there."""
    if not os.path.exists(path):
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        old = os.umask(0o077)
        try:
            subprocess.run(["openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", path],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        finally:
            os.umask(old)
    return path


def public_key_hex(path):
    """The public point of the key as 04 || X || Y in hex."""
    der = subprocess.run(["openssl", "ec", "-in", path, "-pubout", "-outform", "DER"],
                         check=True, capture_output=True).stdout
    return der[-65:].hex()


def sign(path, message):
    """The DER ECDSA signature (SHA-256) of message by the key, in hex."""
    return subprocess.run(["openssl", "dgst", "-sha256", "-sign", path],
                          input=message, check=True, capture_output=True).stdout.hex()
