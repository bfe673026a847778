#!/usr/bin/python3
# Decodes SMS-SUBMIT PDUs with Gammu, a decoder independent of Brivora's: one PDU in
# hexadecimal (message centre information first) a line on standard input, one JSON
# object a line on standard output with what a phone would read of it.
import binascii
import json
import sys

import gammu

for line in sys.stdin:
    pdu = line.strip()
    if not pdu:
        continue
    sms = gammu.DecodePDU(binascii.unhexlify(pdu), SMSC=True)
    udh = sms["UDH"]
    print(json.dumps({
        "text": sms["Text"],
        "coding": sms["Coding"],
        "number": sms["Number"],
        "centre": sms["SMSC"]["Number"],
        "header": udh["Type"],
        "reference": udh["ID8bit"],
        "part": udh["PartNumber"],
        "parts": udh["AllParts"],
    }, ensure_ascii=False))
