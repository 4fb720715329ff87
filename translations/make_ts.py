#!/usr/bin/env python3
"""Writes vantor_zh_CN.ts: the Chinese texts of the desktop program.

Run after lupdate changed the class contexts:
  lupdate programmer/ui buffer/ui devices/ui widgets -ts /tmp/ui.ts && translations/make_ts.py /tmp/ui.ts
The "Strings" context holds the texts of the core (string table and engine messages), which the
program looks up by their whole English text.
"""
import re, sys, html, os, json

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from config_zh import translate as translate_config

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(here)

# English text -> Chinese; the sections of the file only group them.
ZH = {}
for section in json.load(open(os.path.join(here, "texts_zh.json"), encoding="utf-8")).values():
    ZH.update(section)

def lockout_strings():
    """The consequences of the lock-out rules: each rule's last string, its literals joined."""
    src = open(os.path.join(root, "devices/LockoutRisks.cpp"), encoding="utf-8").read()
    rules = src[src.index("kRules[] = {"):src.index("};", src.index("kRules[] = {"))]
    literals = r'(?:"(?:[^"\\]|\\.)*"\s*)+'
    return ["".join(re.findall(r'"((?:[^"\\]|\\.)*)"', m.group(1)))
            for m in re.finditer(r'(?:true|false),\s*(' + literals + r')\}', rules)]

def table_strings():
    src = open(os.path.join(root, "core/StringTable.cpp"), encoding="utf-8").read()
    out = []
    for m in re.finditer(r'\{\s*\d+,\s*"((?:[^"\\]|\\.)*)"\s*\}', src):
        out.append(m.group(1).encode().decode("unicode_escape"))
    return out

def config_texts():
    out = []
    for name in sorted(os.listdir(os.path.join(root, "data/cfg"))):
        if name.endswith(".txt") and name != "CMakeLists.txt":
            for m in re.finditer(r'"((?:[^"\\]|\\.)*)"', open(os.path.join(root, "data/cfg", name), encoding="utf-8").read()):
                t = m.group(1).encode().decode("unicode_escape")
                if t not in out: out.append(t)
    return out

COMPOSED = [k for k in ZH if "hexadecimal number" in k or k.startswith(("Device settings", "chip.set", "A %s", "No device",
             "An operation", "The buffer holds"))]

LOCKOUT = ["These choices can lock the chip out:", "Write them anyway?", "a code the list does not name",
           "the programmer reported a failure", "the programmer did not answer"] + \
          ["the identifier did not arrive", "Blank check"] + \
          [k for k in ZH if k.startswith(("%s refused", "%s failed", "memory area", "Reading the device ID", "Verify failed",
                                          "Verify Failed", "Blank check failed", "Write Cal. Byte failed"))]

EXTRA = COMPOSED + LOCKOUT + ["All", "Serial EEPROM", "(HEX)", "(DEC)", "Bytes", "Words", "Memory", "Device Addr.(Word)",
         "Buffer Addr.(BYTE)", "Location at"] + [k for k in ZH if k.endswith("...") or k.startswith(("Elapsed", "Boot lock", "Write lock", "Binary", "IntelHEX",
         "Motorola", "Tektronix", "Ext.", "Extend", "Intel Hex", "TD6"))]

def message(src, tr):
    attr = '' if tr is not None else ' type="unfinished"'
    return "    <message>\n        <source>%s</source>\n        <translation%s>%s</translation>\n    </message>\n" % (
        html.escape(src, quote=False).replace("\r", "&#xd;"), attr, html.escape(tr or "", quote=False).replace("\r", "&#xd;"))

def main():
    contexts = {}
    if len(sys.argv) > 1:  # class contexts from lupdate
        ts = open(sys.argv[1], encoding="utf-8").read()
        for cm in re.finditer(r"<context>\s*<name>(.*?)</name>(.*?)</context>", ts, re.S):
            name = cm.group(1)
            if name != "FileDialogs" and "::" not in name: name = "vantor::ui::" + name
            srcs = [html.unescape(s) for s in re.findall(r"<source>(.*?)</source>", cm.group(2), re.S)]
            contexts[name] = srcs
    strings = []
    for s in table_strings() + EXTRA + lockout_strings() + config_texts():
        if s not in strings: strings.append(s)
    contexts["Strings"] = strings
    missing = []
    with open(os.path.join(here, "vantor_zh_CN.ts"), "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n<TS version="2.1" language="zh_CN">\n')
        for name in sorted(contexts):
            f.write("<context>\n    <name>%s</name>\n" % name)
            for s in contexts[name]:
                tr = ZH.get(s) or translate_config(s)
                # Texts without an English word (register names, values) stay as they are.
                if tr is None and not re.search(r"(?<![0-9A-Za-z])[A-Za-z]*[a-z][A-Za-z]*(?![0-9A-Za-z])", s.replace("MHz", "").replace("kHz", "")):
                    tr = s if s.strip() else None
                if tr is None and s.strip() and not re.fullmatch(r"[\s%0-9.A-Za-z\-:\\tHX]*Location at.*", s, re.S):
                    missing.append(s)
                f.write(message(s, tr))
            f.write("</context>\n")
        f.write("</TS>\n")
    for m in missing: print("untranslated:", repr(m))

main()
