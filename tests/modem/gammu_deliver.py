#!/usr/bin/python3
# Builds SMS-DELIVER PDUs with Gammu, an encoder independent of Brivora's decoder: random
# senders, time stamps and texts (the GSM alphabet with its extension table, UCS-2 with
# characters beyond the basic plane, texts long enough to be cut into parts with 8- or
# 16-bit references). usage: gammu_deliver.py <seed> [<messages>]
# One JSON object a line for each message: its PDUs in hexadecimal (message centre first)
# and what a phone shows of it.
import binascii
import datetime
import json
import random
import sys

import gammu

GSM_BASIC = ("@\u00a3$\u00a5\u00e8\u00e9\u00f9\u00ec\u00f2\u00c7\n\u00d8\u00f8\r\u00c5\u00e5"
             "\u0394_\u03a6\u0393\u039b\u03a9\u03a0\u03a8\u03a3\u0398\u039e\u00c6\u00e6\u00df\u00c9"
             " !\"#\u00a4%&'()*+,-./0123456789:;<=>?"
             "\u00a1ABCDEFGHIJKLMNOPQRSTUVWXYZ\u00c4\u00d6\u00d1\u00dc\u00a7"
             "\u00bfabcdefghijklmnopqrstuvwxyz\u00e4\u00f6\u00f1\u00fc\u00e0")
GSM_EXTENSION = "\f^{}\\[~]|\u20ac"
WIDE = ("abc xyz 0123 \u00e9\u0105\u0142\u4e2d\u6587\u9648\u5927\u0bb5\u0ba3\u0b95\u0bcd"
        "\u0627\u0644\u0639\u0631\u0628\u064a\u0629\u2019\u2026")
ASTRAL = ["\U0001F600", "\U0001F382", "\U0001F44D\U0001F3FD", "\U00020BB7"]


def gsm_text(rng):
    length = rng.choice([0, 1, 5, 70, 159, 160, 161, 200, 306, 307, 459])
    chars = []
    while len(chars) < length:
        chars.append(rng.choice(GSM_EXTENSION) if rng.random() < 0.1 else rng.choice(GSM_BASIC))
    return "".join(chars)


def ucs2_text(rng):
    length = rng.choice([1, 10, 70, 71, 134, 200])
    chars = []
    while len(chars) < length:
        chars.append(rng.choice(ASTRAL) if rng.random() < 0.15 else rng.choice(WIDE))
    return "".join(chars)


def sender(rng):
    kind = rng.choice(["International", "National", "Alphanumeric"])
    if kind == "International":
        return kind, "+" + "".join(rng.choice("0123456789") for _ in range(rng.randint(3, 15)))
    if kind == "National":
        # Gammu writes a number starting "00" as an international one.
        return kind, "0" + rng.choice("123456789") + "".join(rng.choice("0123456789") for _ in range(rng.randint(1, 10)))
    letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
    # Gammu takes a "p" (a pause) for part of a number.
    name = rng.choice(letters.replace("P", "").replace("p", "")) + "".join(rng.choice(letters + "0123456789") for _ in range(rng.randint(0, 10)))
    return kind, name


def zone_octet(quarters):
    # Quarters of an hour in two swapped decimal digits; the sign is the tens digit's top bit.
    tens, units = divmod(abs(quarters), 10)
    return (units << 4) | tens | (0x08 if quarters < 0 else 0)


def main():
    rng = random.Random(int(sys.argv[1]))
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 60
    for _ in range(count):
        unicode = rng.random() < 0.4
        text = ucs2_text(rng) if unicode else gsm_text(rng)
        kind, number = sender(rng)
        sixteen = rng.random() < 0.5
        local = datetime.datetime(rng.randint(2000, 2099), rng.randint(1, 12), rng.randint(1, 28),
                                  rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59))
        quarters = rng.randint(-48, 56)
        centre = "+" + "".join(rng.choice("0123456789") for _ in range(rng.randint(5, 14)))
        parts = gammu.EncodeSMS({
            "Class": -1,
            "Unicode": unicode,
            "Entries": [{"ID": "ConcatenatedTextLong16bit" if sixteen else "ConcatenatedTextLong", "Buffer": text}],
        })
        pdus, texts, reference = [], [], -1
        for sms in parts:
            sms["Type"] = "Deliver"
            sms["SMSC"] = {"Location": 0, "Number": centre}
            sms["Number"] = number
            sms["DateTime"] = local
            pdu = bytearray(gammu.EncodePDU(sms, Layout="Deliver"))
            # Gammu writes every zone as UTC: the zone is written here.
            stamp = 1 + pdu[0] + 1 + 2 + (pdu[1 + pdu[0] + 1] + 1) // 2 + 2
            pdu[stamp + 6] = zone_octet(quarters)
            pdus.append(binascii.hexlify(pdu).decode().upper())
            texts.append(sms["Text"])
            udh = sms["UDH"]
            if udh["Type"] != "NoUDH":
                reference = udh["ID16bit"] if sixteen else udh["ID8bit"]
        print(json.dumps({
            "pdus": pdus,
            "text": text,
            "parts": texts,
            "coding": "Ucs2" if unicode else "Gsm7",
            "sender": number,
            "kind": kind,
            "centre": centre,
            "local": local.isoformat(),
            "offset": quarters * 15 * 60,
            "reference": reference,
        }, ensure_ascii=False))


main()
