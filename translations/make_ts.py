#!/usr/bin/env python3
"""Writes vantor_zh_CN.ts: the Chinese texts of the desktop program.

Run after lupdate changed the class contexts:
  lupdate programmer/ui buffer/ui devices/ui widgets -ts /tmp/ui.ts && translations/make_ts.py /tmp/ui.ts
The "Strings" context holds the texts of the core (string table and engine messages), which the
program looks up by their whole English text.
"""
import re, sys, html, os

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from config_zh import translate as translate_config

here = os.path.dirname(os.path.abspath(__file__))
root = os.path.dirname(here)

ZH = {
 # string table
 "Program successful": "编程成功", "Program Failed": "编程失败", "Verify successful": "校验成功",
 "Read Completed": "读取完成", "Read Failed": "读取失败", "Erase Completed": "擦除完成",
 "Protect Completed": "加密完成", "Protect Failed": "加密失败", "Read lock bits completed": "读锁定位完成",
 "Write fuse completed": "写熔丝完成", "Read fuse completed": "读熔丝完成", "Write config completed": "写配置完成",
 "Read Config Completed": "读配置完成", "Test successful": "测试成功", "Disconnect mode": "脱机模式",
 "Read Config Failed": "读配置失败", "Settings": "设置",
 "Failed to open config file, please reinstall the application": "无法打开配置文件，请重新安装应用程序",
 "The format of config file error, please reinstall the application": "配置文件格式错误，请重新安装应用程序",
 "Write Cal. Byte Successfully": "写校准字节成功", "Do you ensure to clear the statistics?": "确定要清除统计数据吗？",
 "The chip consists of two memory area: \r\n": "该芯片包含两个存储区: \r\n",
 "Error, The auto program item is empty.": "错误，自动编程项目为空。",
 "Failed to connect programmer": "连接编程器失败",
 "This function is not available, if programmer runs in disconnect mode\n": "编程器处于脱机模式时，此功能不可用\n",
 "Device Model: ": "器件型号: ", "Device ID error": "器件ID错误", "Initialization device failure": "器件初始化失败",
 "Write cofig failed": "写配置失败", "Write lock bit failed": "写锁定位失败", "Write fuse failed": "写熔丝失败",
 "Read lock bit failed": "读锁定位失败", "Read fuse failed": "读熔丝失败", "Erase failed": "擦除失败",
 "Program    ": "编程", "Read       ": "读取", "Verify     ": "校验", "Blank      ": "查空", "Erase      ": "擦除",
 "Write Fuse ": "写熔丝", "Read Fuse  ": "读熔丝", "Protect    ": "加密", "Read Lock Bits": "读锁定位",
 "Write Config": "写配置", "Read Config": "读配置", "Boot Lock": "引导锁定", "Test": "测试",
 "Write Cal. Byte": "写校准字节", "Read Cal. Byte": "读校准字节",
 "Disconnect mode, Programmer Model: ": "脱机模式，编程器型号: ", "Programmer Model: ": "编程器型号: ",
 "File Format: ": "文件格式: ", "Save file successful": "保存文件成功", "Save file failed": "保存文件失败",
 "Load File Successful\n": "加载文件成功\n", "Load File Failed\n": "加载文件失败\n",
 "Warning: Line %d, Unkown data type\n": "警告: 第%d行, 未知数据类型\n",
 "Warning: Line %d, Data format error\n": "警告: 第%d行, 数据格式错误\n",
 "Load File: %s\n": "加载文件: %s\n", "Save File: %s\n": "保存文件: %s\n",
 "Config": "配置", "Code Memory": "程序存储器", "EEPROM Memory": "EEPROM存储器", "History Device": "历史器件",
 "Range(0x%X --- 0x%X)": "范围(0x%X --- 0x%X)",
 "Failed to open the device library, please reinstall the application": "无法打开器件库，请重新安装应用程序",
 "The format error of device library, please reinstall the application ": "器件库格式错误，请重新安装应用程序",
 "The file has been modified by other application, Reload: \n": "文件已被其他程序修改，重新加载: \n",
 "Program(&W)": "编程(&W)", "Read(&R)": "读取(&R)", "Verify(&V)": "校验(&V)", "Blank Check(&B)": "查空(&B)",
 "Erase(&E)": "擦除(&E)", "Write Fuse(&F)": "写熔丝(&F)", "Read Fuse(&U)": "读熔丝(&U)", "Protect(&P)": "加密(&P)",
 "Read Lock Bits(&L)": "读锁定位(&L)", "Write Config(&C)": "写配置(&C)", "Read Config(&F)": "读配置(&F)",
 "Write Boot Lock(&O)": "写引导锁定(&O)", "Test(&T)": "测试(&T)", "Write Cal. Byte(&C)": "写校准字节(&C)",
 "Read Cal. Byte(&I)": "读校准字节(&I)", "Communication error!": "通讯错误！", "Blank check successful": "查空成功",
 "Start address out of range": "起始地址超出范围", "End address out of range": "结束地址超出范围",
 "Destination address out of range": "目标地址超出范围", "AND": "与", "AND data:": "与数据:", "XOR": "异或",
 "XOR data:": "异或数据:", "OR": "或", "OR data:": "或数据:", "Address out of range": "地址超出范围",
 "Address: %8.8XH": "地址: %8.8XH", "Address: %8.8d": "地址: %8.8d", "Check sum: %8.8XH": "校验和: %8.8XH",
 "Buffer Range: %8.8XH -- %8.8XH": "缓冲区范围: %8.8XH -- %8.8XH", "Buffer Range: %8.8d -- %8.8d": "缓冲区范围: %8.8d -- %8.8d",
 "The buffer address out of range": "缓冲区地址超出范围", "Operation was cancelled": "操作已取消",
 "Address: 00000000H": "地址: 00000000H", "Goto": "转到", "Fill": "填充", "Copy": "复制", "Swap": "交换", "Online Mode": "联机模式",
 "Connecting to programmer...": "正在连接编程器...", "Vendor :": "厂商 :", "Device :": "器件 :", "Size   :": "容量 :",
 "Pins   :": "管脚 :", "Adapter:": "适配器:", "DEC": "十进制", "HEX": "十六进制", "ISP Port": "ISP接口", "None": "无",
 "%s out of range. \n\nmust be: %XH -- %XH\n": "%s 超出范围。\n\n必须在: %XH -- %XH\n",
 "Warning: Some data out of range has been ignored\r\n": "警告: 部分超出范围的数据已被忽略\r\n",
 # engine and file messages that are not in the table
 "Programming...": "正在编程...", "Reading...": "正在读取...", "Verifying...": "正在校验...",
 "Blank Checking...": "正在查空...", "Writting Cal. Byte...": "正在写校准字节...", "Writting fuse...": "正在写熔丝...",
 "Reading fuse...": "正在读熔丝...", "Protecting...": "正在加密...", "Read Lock Bits...": "正在读锁定位...",
 "Writing config...": "正在写配置...", "Reading config...": "正在读配置...", "Erasing...": "正在擦除...",
 "Boot locking...": "正在引导锁定...", "Boot lock completed": "引导锁定完成", "Testting...": "正在测试...",
 "Write Lock Bits...": "正在写锁定位...", "Write lock bits completed": "写锁定位完成",
 "Programming [%s]...": "正在编程 [%s]...", "Reading [%s]...": "正在读取 [%s]...", "Verifying [%s]...": "正在校验 [%s]...",
 "Blank Checking [%s]...": "正在查空 [%s]...", "Elapsed Time: %d.%2.2dS": "耗时: %d.%2.2dS",
 "Binary\n": "二进制\n", "IntelHEX\n": "IntelHEX\n", "Motorola\n": "Motorola\n", "Tektronix\n": "Tektronix\n",
 "Ext. Tektronix\n": "扩展Tektronix\n", "Binary": "二进制", "Intel Hex": "Intel Hex", "Motorola": "Motorola",
 "Tektronix": "Tektronix", "Extend Tektronix": "扩展Tektronix",
 "TD610 MCU Development Kit": "TR610 单片机开发实验仪", "TD620 MCU Development Kit": "TR620 单片机开发实验仪",
 # window texts
 "Connect the programmer to a USB port and press Connect, or work without it.": "请将编程器连接到USB接口后按“连接”，或在无编程器的情况下工作。",
 "Programmer for disconnect mode": "脱机模式使用的编程器", "&Connect": "连接(&C)", "&Disconnect Mode": "脱机模式(&D)",
 "Device Info.": "器件信息", "Device information": "器件信息", "&Close": "关闭(&C)",
 "Code files (*.bin *.hex *.s* *.tek);;All files (*)": "代码文件 (*.bin *.hex *.s* *.tek);;所有文件 (*)",
 "Load File": "加载文件", "Save File": "保存文件", "File Type": "文件类型", "File Name:": "文件名:",
 "Unused Byte": "未用字节", "Fill 0xff": "填充 0xff", "Fill 0x00": "填充 0x00", "Ignore": "不改变",
 "Offset(HEX)": "偏移(十六进制)", "File Start": "文件起始", "Buffer Start": "缓冲区起始",
 "Buffer Start Address(HEX)": "缓冲区起始地址(十六进制)", "Data Size(HEX)": "数据长度(十六进制)",
 "Vantor - TR600 Series MCU Development Kit": "Vantor - TR600 系列单片机开发实验仪", "Information window": "信息窗口",
 "&Load File...": "加载文件(&L)...", "&Save File...": "保存文件(&S)...", "Exit(&X)": "退出(&X)",
 "&Data Buffer": "数据缓冲区(&D)", "&Clear Info. Window": "清除信息窗口(&C)", "Select &Device": "选择器件(&D)",
 "&Config": "配置(&C)", "&Infomation": "器件信息(&I)", "Settings...": "设置...", "Auto Program": "自动编程",
 "Re&connect...": "重新连接(&C)...", "&Test Hardware...": "硬件测试(&T)...", "&Upgrade...": "升级(&U)...",
 "Content(&C)": "目录(&C)", "About(&A)...": "关于(&A)...", "&English": "&English", "&File": "文件(&F)",
 "Recent Files": "最近的文件", "&Buffer": "缓冲区(&B)", "&Device": "器件(&D)", "&Operate": "操作(&O)",
 "&Programmer": "编程器(&P)", "&Simulator": "模拟器(&S)", "&Unplug Programmer": "拔出编程器(&U)",
 "&Plug In %1": "插入 %1(&P)", "&Help": "帮助(&H)", "&Language": "语言(&L)", "Language": "语言", "Commands": "命令",
 "Load": "加载", "Save": "保存", "Edit": "编辑", "Device": "器件", "Info.": "信息", "Auto": "自动",
 "Vendor": "厂商", "Size": "容量", "Pins": "管脚", "Adapter": "适配器", "File": "文件", "File :": "文件 :",
 "Statistics": "统计", "Success count": "成功次数", "Failure count": "失败次数", "Reset": "清零",
 "Reset statistics": "清除统计", "Success:": "成功:", "Failure:": "失败:", "Operation": "操作", "&Run": "执行(&R)",
 "Run the chosen operation": "执行所选操作", "&Auto Program": "自动编程(&A)", "Programmer model": "编程器型号",
 "Connection mode": "连接模式",
 "<h3>Vantor</h3><p>TR600 Series MCU Development Kit</p><p>Program version V%1.%2%3</p>": "<h3>Vantor</h3><p>TR600 系列单片机开发实验仪</p><p>程序版本 V%1.%2%3</p>",
 "<p>Firmware version %1<br>Serial number %2</p>": "<p>固件版本 %1<br>序列号 %2</p>",
 "<p>No programmer connected.</p>": "<p>未连接编程器。</p>", "About Vantor": "关于 Vantor",
 "Operating": "正在操作", "Operation status": "操作状态", "Operation progress": "操作进度", "Cancel": "取消",
 # dialogs
 "Page %1": "第 %1 页", "&Default": "默认值(&D)", "&OK": "确定(&O)", "&Cancel": "取消(&C)", "Read Only": "只读",
 "Edit Buffer": "编辑缓冲区", "Memory areas": "存储区", "8 bit": "8 位", "16 bit": "16 位", "Addr Format": "地址格式",
 "Data Format": "数据格式", "Buffer contents": "缓冲区内容", "Programmer model: %1": "编程器型号: %1",
 "Connection mode: %1": "连接模式: %1",
 "The manual is missing: %1\nplease reinstall the application": "找不到使用手册: %1\n请重新安装应用程序",
 "No program to show web pages was found. The manual is at:\n%1\nOpen it in a web browser.":
     "找不到可以显示网页的程序。使用手册位于:\n%1\n请用网页浏览器打开。",
 "Operate Settings": "操作设置", "Check Device ID": "检查器件ID", "Auto Reload File of Modified": "文件修改后自动重新加载",
 "Play Sound": "播放声音", "Ignore 0xFF": "忽略 0xFF", "Program Range": "编程范围", "Auto Program Item": "自动编程项目",
 "Select Device": "选择器件", "Type": "类型", "Search": "搜索", "Vendor logo": "厂商标志", "Location": "定位",
 "Address:": "地址:", "Start Address:": "起始地址:", "End Address:": "结束地址:", "Destination Address:": "目标地址:",
 "From:": "从:", "To:": "到:", "Data": "数据", "Constant byte(8bit)": "常数字节(8位)", "Constant word(16bit)": "常数字(16位)",
 "Random values": "随机数", "Sequential bytes(8bit)": "递增字节(8位)", "Sequential words(16bit)": "递增字(16位)",
 "Byte:": "字节:", "Word:": "字:", "OK": "确定", "Cancel": "取消", "&Close": "关闭(&C)",
 # messages the core composes (widgets/UiText.cpp)
 "Device settings are now kept in the new file %s\n": "器件设置现在保存在新文件 %s 中\n",
 "chip.set cannot be created: device settings are not kept\n": "无法创建 chip.set: 器件设置不会被保存\n",
 "A %s was plugged in, but the %s is selected: use Programmer > Reconnect to work with it\n":
     "插入的是 %s，但当前选择的是 %s: 要使用它，请执行“编程器 > 重新连接”\n",
 "File Start must be a hexadecimal number from %X to %X.": "文件起始必须是 %X 至 %X 之间的十六进制数。",
 "%s\nBuffer Start must be a hexadecimal number from %X to %X.": "%s\n缓冲区起始必须是 %X 至 %X 之间的十六进制数。",
 "Buffer Start Address must be a hexadecimal number from %X to %X.": "缓冲区起始地址必须是 %X 至 %X 之间的十六进制数。",
 "Data Size must be a hexadecimal number from %X to %X: the range ends at the end of the buffer.":
     "数据长度必须是 %X 至 %X 之间的十六进制数: 范围止于缓冲区末尾。",
 "No device of the type %s has \"%s\" in its name. Shorten the search text or choose the type All.":
     "类型 %s 中没有名称含有“%s”的器件。请缩短搜索文字或选择类型“全部”。",
 "No device of the type %s. Shorten the search text or choose the type All.":
     "没有类型为 %s 的器件。请缩短搜索文字或选择类型“全部”。",
 "No device has \"%s\" in its name. Shorten the search text or choose the type All.":
     "没有名称含有“%s”的器件。请缩短搜索文字或选择类型“全部”。",
 "An operation is running. Stop it and exit?": "正在执行操作。停止操作并退出吗？",
 "The buffer holds changes that have not been saved to a file. Exit and lose them?": "缓冲区中有尚未保存到文件的修改。退出并放弃这些修改吗？",
 "No device is selected: choose one with Select Device first\n": "未选择器件: 请先用“选择器件”选择一个器件\n",
 "&Search": "搜索(&S)",
 "Words": "字", "Memory": "存储区", "Device Addr.(Word)": "器件地址(字)", "Buffer Addr.(BYTE)": "缓冲区地址(字节)",
 "Location at": "位于", "All": "全部", "Serial EEPROM": "串行 EEPROM", "(HEX)": "(十六进制)", "(DEC)": "(十进制)", "Bytes": "字节",
 # configuration files (data/cfg)
 "1.8 V": "1.8 V", "2.7 V": "2.7 V", "4.3 V": "4.3 V",
 "256 words (BOOTSZ=11)": "256 字 (BOOTSZ=11)", "512 words (BOOTSZ=10)": "512 字 (BOOTSZ=10)",
 "1024 words (BOOTSZ=01)": "1024 字 (BOOTSZ=01)", "2048 words (BOOTSZ=00)": "2048 字 (BOOTSZ=00)",
 "Application section (BLB02, BLB01)": "应用程序区 (BLB02, BLB01)", "Boot section (BLB12, BLB11)": "引导区 (BLB12, BLB11)",
 "BOOTRST: reset vector in the boot section": "BOOTRST: 复位向量位于引导区", "Boot section size (BOOTSZ)": "引导区大小 (BOOTSZ)",
 "Brown-out detection level": "掉电检测电平", "CKDIV8: clock divided by 8": "CKDIV8: 时钟 8 分频",
 "CKOUT: clock output on CLKO": "CKOUT: 时钟从 CLKO 输出",
 "CP (bits 4-7): All program memory is code protected": "CP (位 4-7): 全部程序存储器代码保护",
 "CP (bits 8-13): All program memory is code protected": "CP (位 8-13): 全部程序存储器代码保护",
 "Calibration byte address": "校准字节地址", "Calibration byte for": "校准字节用于",
 "Ceramic resonator 0.4-0.9 MHz (1000)": "陶瓷谐振器 0.4-0.9 MHz (1000)", "Ceramic resonator 0.4-0.9 MHz (1001)": "陶瓷谐振器 0.4-0.9 MHz (1001)",
 "Clock source (CKSEL)": "时钟源 (CKSEL)", "Configuration word 1, bytes 0-1; erased value 3FFFH.": "配置字 1，字节 0-1；擦除值 3FFFH。",
 "Crystal or ceramic resonator 0.9-3 MHz (1010)": "晶体或陶瓷谐振器 0.9-3 MHz (1010)",
 "Crystal or ceramic resonator 0.9-3 MHz (1011)": "晶体或陶瓷谐振器 0.9-3 MHz (1011)",
 "Crystal or ceramic resonator 3-8 MHz (1100)": "晶体或陶瓷谐振器 3-8 MHz (1100)",
 "Crystal or ceramic resonator 3-8 MHz (1101)": "晶体或陶瓷谐振器 3-8 MHz (1101)",
 "Crystal or ceramic resonator 8-16 MHz (1110)": "晶体或陶瓷谐振器 8-16 MHz (1110)",
 "Crystal or ceramic resonator 8-16 MHz (1111)": "晶体或陶瓷谐振器 8-16 MHz (1111)",
 "DWEN: debugWIRE enabled": "DWEN: 启用 debugWIRE", "Disabled": "禁止", "EESAVE: EEPROM kept through chip erase": "EESAVE: 芯片擦除时保留 EEPROM",
 "Extended fuse: ticked = programmed (0). Factory value FFH.": "扩展熔丝: 勾选 = 已编程 (0)。出厂值 FFH。",
 "External clock (0000)": "外部时钟 (0000)", "Four user ID words, bytes 4-11, low byte first.": "四个用户ID字，字节 4-11，低字节在前。",
 "Full-swing crystal 0.4-20 MHz (0110)": "全摆幅晶体 0.4-20 MHz (0110)", "Full-swing crystal 0.4-20 MHz (0111)": "全摆幅晶体 0.4-20 MHz (0111)",
 "HS oscillator": "HS 振荡器", "High fuse: ticked = programmed (0). Factory value D9H.": "高熔丝: 勾选 = 已编程 (0)。出厂值 D9H。",
 "Internal 128 kHz oscillator (0011)": "内部 128 kHz 振荡器 (0011)", "Internal RC 8 MHz (0010)": "内部 RC 8 MHz (0010)",
 "Internal RC oscillator": "内部 RC 振荡器", "LP oscillator": "LP 振荡器",
 "LPM from application not allowed": "禁止应用程序区的 LPM", "LPM from boot not allowed": "禁止引导区的 LPM",
 "Low fuse: ticked = programmed (0). Factory value 62H.": "低熔丝: 勾选 = 已编程 (0)。出厂值 62H。",
 "Low-frequency crystal 32.768 kHz (0100)": "低频晶体 32.768 kHz (0100)", "Low-frequency crystal 32.768 kHz (0101)": "低频晶体 32.768 kHz (0101)",
 "Memory lock (LB2, LB1)": "存储器锁定 (LB2, LB1)", "Mode 1: no memory lock": "模式 1: 不锁定存储器",
 "Mode 1: no program lock": "模式 1: 无程序锁定",
 "Mode 2 (LB1): external MOVC disabled, EA latched, no further programming": "模式 2 (LB1): 禁止外部 MOVC，锁存 EA，禁止再编程",
 "Mode 2: further programming disabled": "模式 2: 禁止再编程",
 "Mode 3 (LB1, LB2): also verify disabled": "模式 3 (LB1, LB2): 同时禁止校验",
 "Mode 3: programming and verification disabled": "模式 3: 禁止编程和校验",
 "Mode 4 (LB1-LB3): external execution disabled": "模式 4 (LB1-LB3): 禁止外部执行",
 "No restriction": "无限制", "Oscillator (FOSC)": "振荡器 (FOSC)", "PWRTE: Power-up Timer is enabled": "PWRTE: 启用上电定时器",
 "Program lock mode": "程序锁定模式", "RC oscillator": "RC 振荡器", "RSTDISBL: external reset disabled (pin is I/O)": "RSTDISBL: 禁止外部复位 (引脚作 I/O)",
 "SPIEN: serial programming enabled": "SPIEN: 允许串行编程", "SPM may not write it": "禁止 SPM 写入",
 "SPM write and LPM from application not allowed": "禁止 SPM 写入及应用程序区的 LPM",
 "SPM write and LPM from boot not allowed": "禁止 SPM 写入及引导区的 LPM",
 "SUT=00 (shortest)": "SUT=00 (最短)", "SUT=11 (longest; reserved for some clock sources)": "SUT=11 (最长；部分时钟源保留)",
 "Start-up time (SUT)": "启动时间 (SUT)", "WDTE: WDT enabled": "WDTE: 启用看门狗", "WDTON: watchdog timer always on": "WDTON: 看门狗定时器常开",
 "Write Cal. Byte copies an oscillator calibration byte of the": "写校准字节将器件签名行中的振荡器校准字节",
 "signature row to this buffer address (flash or EEPROM).": "复制到此缓冲区地址 (闪存或 EEPROM)。",
 "XT oscillator": "XT 振荡器",
 # lock-out warnings (devices/LockoutRisks.cpp) and the checks of configuration writes
 "These choices can lock the chip out:": "以下选择可能使芯片无法再被编程:", "Write them anyway?": "仍然写入吗？",
 "a code the list does not name": "列表中没有的代码",
 "The RESET pin becomes an I/O pin. Serial programming needs RESET, so only a high-voltage programmer can undo this.":
     "RESET 引脚变为 I/O 引脚。串行编程需要 RESET，因此只有高压编程器才能恢复。",
 "debugWIRE takes over the RESET pin and serial programming stops. A debugWIRE tool or a high-voltage programmer is needed to turn it off.":
     "debugWIRE 将占用 RESET 引脚，串行编程随即失效。需要 debugWIRE 工具或高压编程器才能将其关闭。",
 "Serial programming is disabled. Only a high-voltage programmer can enable it again.":
     "串行编程被禁止。只有高压编程器才能重新允许。",
 " A serial programmer cannot change this bit.": " 串行编程器无法修改此位。",
 "The chip then runs, and can be programmed, only with a clock or crystal on its XTAL pins. Undo it with that clock connected, or with a high-voltage programmer.":
     "此后芯片只有在 XTAL 引脚接上时钟或晶体时才能运行和编程。恢复时须接上该时钟，或使用高压编程器。",
 "The memories can no longer be read or verified, nor the fuses changed. Only a chip erase clears it, and the program with it.":
     "存储器将无法再读取或校验，熔丝也无法再修改。只有芯片擦除才能解除，程序也会随之被擦除。",
 "Program memory reads back as zeros: it can no longer be read or verified. Only a bulk erase clears it, and the program with it.":
     "程序存储器读出全为零: 无法再读取或校验。只有整片擦除才能解除，程序也会随之被擦除。",
 "Data memory reads back as zeros: it can no longer be read or verified. Only a bulk erase clears it, and the data with it.":
     "数据存储器读出全为零: 无法再读取或校验。只有整片擦除才能解除，数据也会随之被擦除。",
 "Low-voltage programming is turned off: this low-voltage adapter cannot reach the chip again. Only a high-voltage programmer (ISP_PIC_HV) can turn it back on.":
     "低电压编程被关闭: 此低电压适配器将无法再访问芯片。只有高压编程器 (ISP_PIC_HV) 才能重新打开。",
 "Lock bits restrict reading, verifying and further programming of the chip. Only a chip erase clears them, and the program with them.":
     "锁定位限制芯片的读取、校验和再编程。只有芯片擦除才能清除锁定位，程序也会随之被擦除。",
 "%s refused: the configuration file %s is missing or damaged, so there is no configuration to write. Nothing was written; reinstall the application.":
     "%s被拒绝: 配置文件 %s 缺失或已损坏，没有可写入的配置。未写入任何内容；请重新安装应用程序。",
 "%s failed: the bytes written could not be read back (%s)": "%s失败: 无法读回已写入的字节 (%s)",
 "%s failed: byte %d reads back %2.2X, %2.2X was written (bits %2.2X differ)":
     "%s失败: 字节 %d 读回 %2.2X，写入的是 %2.2X (位 %2.2X 不同)",
 "the programmer reported a failure": "编程器报告失败", "the programmer did not answer": "编程器没有响应",
 # failures the engine composes (programmer/CUsbProgrammer.cpp); conversions keep their order
 "%s failed: no device selected": "%s失败: 未选择器件",
 "%s failed: memory area %d of the device (0x%X bytes at 0x%X) lies outside the buffer":
     "%s失败: 器件的存储区 %d (0x%X 字节，起始于 0x%X) 超出缓冲区范围",
 "%s failed at the start of %s: %s": "%s失败，位于%s的起始处: %s", "memory area %d": "存储区 %d",
 "Reading the device ID failed: %s": "读取器件ID失败: %s", "the identifier did not arrive": "没有收到器件标识",
 "Verify failed at address 0x%X: %s": "校验失败，地址 0x%X: %s",
 "Verify Failed.  Addr: 0x%X  Device: 0x%2.2X  Buffer: 0x%2.2X": "校验失败。 地址: 0x%X  器件: 0x%2.2X  缓冲区: 0x%2.2X",
 "Blank check failed at address 0x%X: %s": "查空失败，地址 0x%X: %s",
 "Blank check failed   Addr. 0x%X    Chip contect: 0x%2.2X\n": "查空失败   地址 0x%X    芯片内容: 0x%2.2X\n",
 "Write Cal. Byte failed: address 0x%X is outside the device's memory": "写校准字节失败: 地址 0x%X 超出器件存储器范围",
 "Write Cal. Byte failed: %s (address 0x%X)": "写校准字节失败: %s (地址 0x%X)", "Blank check": "查空",
}

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
