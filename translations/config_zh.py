"""Chinese texts of the configuration files (data/cfg): patterns for the families of texts that
differ only in numbers and pin names, then single texts. Used by make_ts.py."""
import json, os, re

PIN = r"([A-Z][A-Z0-9]*(?:/[A-Za-z0-9]+)+)"
RULES = [
    (r"^(Low|High|Extended) fuse: ticked = programmed \(0\)\. Factory value ([0-9A-F]{2}H)\.$",
     lambda m: {"Low": "低", "High": "高", "Extended": "扩展"}[m[1]] + "熔丝: 勾选 = 已编程 (0)。出厂值 " + m[2] + "。"),
    (r"^(\d+) words \(BOOTSZ=(\d\d)\)$", r"\1 字 (BOOTSZ=\2)"),
    (r"^Internal RC ([\d.]+ MHz) \((\d+)\)$", r"内部 RC \1 (\2)"),
    (r"^Internal 128 kHz oscillator \((\d+)\)$", r"内部 128 kHz 振荡器 (\1)"),
    (r"^Internal PLL 16 MHz \((\d+)\)$", r"内部 PLL 16 MHz (\1)"),
    (r"^External RC oscillator up to ([\d.]+ MHz) \((\d+)\)$", r"外部 RC 振荡器，最高 \1 (\2)"),
    (r"^External RC oscillator ([\d.\-]+ MHz) \((\d+)\)$", r"外部 RC 振荡器 \1 (\2)"),
    (r"^External clock \((\d+)\)$", r"外部时钟 (\1)"),
    (r"^Low-frequency crystal 32\.768 kHz \((\d+)\)$", r"低频晶体 32.768 kHz (\1)"),
    (r"^Full-swing crystal ([\d.\-]+ MHz) \((\d+)\)$", r"全摆幅晶体 \1 (\2)"),
    (r"^Ceramic resonator 0\.4-0\.9 MHz, CKOPT: crystal 1 MHz up \((\d+)\)$", r"陶瓷谐振器 0.4-0.9 MHz，CKOPT: 晶体 1 MHz 以上 (\1)"),
    (r"^Crystal or ceramic resonator ([\d.\-]+ MHz), CKOPT: 1 MHz up \((\d+)\)$", r"晶体或陶瓷谐振器 \1，CKOPT: 1 MHz 以上 (\2)"),
    (r"^Crystal or ceramic resonator 8 MHz and above \((\d+)\)$", r"晶体或陶瓷谐振器 8 MHz 以上 (\1)"),
    (r"^([0-9A-F]{4}h)-([0-9A-F]{4}h) code protected$", r"\1-\2 代码保护"),
    (r"^([0-9A-F]{4}h) to ([0-9A-F]{4}h) code protected$", r"\1 至 \2 代码保护"),
    (r"^CP: ([0-9A-F]{4}h) to ([0-9A-F]{4}h) code-protected$", r"CP: \1 至 \2 代码保护"),
    (r"^CP: ([0-9A-F]{4}h) to ([0-9A-F]{4}h) code-protected \(all protected\)$", r"CP: \1 至 \2 代码保护 (全部保护)"),
    (r"^([0-9A-F]{4}h) to ([0-9A-F]{4}h) write[- ]protected$", r"\1 至 \2 写保护"),
    (r"^([0-9A-F]{4}h) to ([0-9A-F]{4}h) write[- ]protected[,;] ([0-9A-F]{4}h) to ([0-9A-F]{4}h) may be\.\.\.$",
     r"\1 至 \2 写保护，\3 至 \4 可由..."),
    (r"^(LP|XT) oscillator: Low[- ]power crystal on " + PIN + r" and\.\.\.$", r"\1 振荡器: 低功耗晶体接 \2，..."),
    (r"^XT oscillator: Crystal/resonator on " + PIN + r" and\.\.\.$", r"XT 振荡器: 晶体/谐振器接 \1，..."),
    (r"^HS oscillator: High[- ]speed crystal/resonator on\.\.\.$", r"HS 振荡器: 高速晶体/谐振器接..."),
    (r"^EC: I/O function on " + PIN + r"(?: pin)?, CLKIN on\.\.\.$", r"EC: \1 引脚作 I/O，CLKIN 接..."),
    (r"^(INTOSC|INTOSCIO|INTRC|ER|RC|RCIO) oscillator: I/O function on " + PIN + r"(?: pin)?(, RC on)?\.\.\.$",
     lambda m: m[1] + " 振荡器: " + m[2] + " 引脚作 I/O" + ("，RC 接..." if m[3] else "..."))
    ,
    (r"^(INTOSC|INTRC|ER|RC) oscillator: CLKOUT function on " + PIN + r"(?: pin)?(?:, RC)?(?: and)?\.\.\.$",
     r"\1 振荡器: \2 引脚输出 CLKOUT..."),
    (r"^RCIO oscillator: I/O function on " + PIN + r" pin, RC\.\.\.$", r"RCIO 振荡器: \1 引脚作 I/O，RC..."),
    (r"^EXTRC(IO)? oscillator: External RC on " + PIN + r", (I/O|CLKOUT)\.\.\.$",
     lambda m: "EXTRC" + (m[1] or "") + " 振荡器: 外部 RC 接 " + m[2] + "，" + m[3] + "..."),
    (r"^(LP|XT|HS) oscillator (with|and) 18 ms DRT$", r"\1 振荡器，18 ms DRT"),
    (r"^(INTOSC|EXTRC) with 1\.125 ms DRT$", r"\1，1.125 ms DRT"),
    (r"^(EC Osc|INTRC|EXTRC) With (RB4|CLKOUT) and 1\.125 ms DRT$",
     lambda m: {"EC Osc": "EC 振荡器"}.get(m[1], m[1]) + "，" + m[2] + "，1.125 ms DRT"),
    (r"^MCLRE: " + PIN + r" pin functions? (?:is|as) MCLR$", r"MCLRE: \1 引脚作 MCLR"),
    (r"^MCLRE: " + PIN + r" pin function  is MCLR$", r"MCLRE: \1 引脚作 MCLR"),
    (r"^MCLRE: " + PIN + r" Functions as MCLR$", r"MCLRE: \1 引脚作 MCLR"),
    (r"^LVP: " + PIN + r" pin has PGM function[,;] [Ll]ow[- ]voltage programming\.\.\.$", r"LVP: \1 引脚作 PGM，低电压编程..."),
    (r"^(EXTCLK|ECIO); port I/O function on " + PIN + r"(?: pin)?$", r"\1；\2 引脚作 I/O"),
    (r"^EXTRC oscillator; port I/O function on " + PIN + r"(?: pin)?$", r"EXTRC 振荡器；\1 引脚作 I/O"),
    (r"^EXTRC oscillator; CLKO function on " + PIN + r"(?: pin)?$", r"EXTRC 振荡器；\1 引脚输出 CLKO"),
    (r"^(External|Internal) RC oscillator/(RB4|CLKOUT) function on " + PIN + r"(?: pin)?(\.\.\.)?$",
     lambda m: {"External": "外部", "Internal": "内部"}[m[1]] + " RC 振荡器，" + m[3] + " 引脚作 " + m[2] + (m[4] or "")),
    (r"^EC oscillator/RB4 function on " + PIN + r" pin$", r"EC 振荡器，\1 引脚作 RB4"),
    (r"^CCP1 function on (RB\d)$", r"CCP1 位于 \1"),
    (r"^Brown-out Reset set to ([\d.]+V)$", r"掉电复位电压 \1"),
    (r"^VBOR set to ([\d.]+V)$", r"VBOR 设为 \1"),
    (r"^Configuration word (\d), bytes (\d-\d); erased value ([0-9A-F]+H)\.$", r"配置字 \1，字节 \2；擦除值 \3。"),
    (r"^Low fuse: ticked.*", None),
]

# Texts without a family, English -> Chinese.
SINGLE = json.load(open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "config_texts_zh.json"),
                       encoding="utf-8"))


def translate(text):
    if text in SINGLE:
        return SINGLE[text]
    for pattern, replacement in RULES:
        if replacement is None:
            continue
        m = re.match(pattern, text)
        if m:
            return replacement(m) if callable(replacement) else m.expand(replacement)
    return None
