<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>FileDialogs</name>
    <message>
        <source>Code files (*.bin *.hex *.s* *.tek);;All files (*)</source>
        <translation>代码文件 (*.bin *.hex *.s* *.tek);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Load File</source>
        <translation>加载文件</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>保存文件</translation>
    </message>
</context>
<context>
    <name>Strings</name>
    <message>
        <source>Program successful</source>
        <translation>编程成功</translation>
    </message>
    <message>
        <source>Program Failed</source>
        <translation>编程失败</translation>
    </message>
    <message>
        <source>Verify successful</source>
        <translation>校验成功</translation>
    </message>
    <message>
        <source>Read Completed</source>
        <translation>读取完成</translation>
    </message>
    <message>
        <source>Read Failed</source>
        <translation>读取失败</translation>
    </message>
    <message>
        <source>Erase Completed</source>
        <translation>擦除完成</translation>
    </message>
    <message>
        <source>Protect Completed</source>
        <translation>加密完成</translation>
    </message>
    <message>
        <source>Protect Failed</source>
        <translation>加密失败</translation>
    </message>
    <message>
        <source>Read lock bits completed</source>
        <translation>读锁定位完成</translation>
    </message>
    <message>
        <source>Write fuse completed</source>
        <translation>写熔丝完成</translation>
    </message>
    <message>
        <source>Read fuse completed</source>
        <translation>读熔丝完成</translation>
    </message>
    <message>
        <source>Write config completed</source>
        <translation>写配置完成</translation>
    </message>
    <message>
        <source>Read Config Completed</source>
        <translation>读配置完成</translation>
    </message>
    <message>
        <source>Test successful</source>
        <translation>测试成功</translation>
    </message>
    <message>
        <source>Disconnect mode</source>
        <translation>脱机模式</translation>
    </message>
    <message>
        <source>Read Config Failed</source>
        <translation>读配置失败</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Failed to open config file, please reinstall the application</source>
        <translation>无法打开配置文件，请重新安装应用程序</translation>
    </message>
    <message>
        <source>The format of config file error, please reinstall the application</source>
        <translation>配置文件格式错误，请重新安装应用程序</translation>
    </message>
    <message>
        <source>Write Cal. Byte Successfully</source>
        <translation>写校准字节成功</translation>
    </message>
    <message>
        <source>Do you ensure to clear the statistics?</source>
        <translation>确定要清除统计数据吗？</translation>
    </message>
    <message>
        <source>The chip consists of two memory area: &#xd;
</source>
        <translation>该芯片包含两个存储区: &#xd;
</translation>
    </message>
    <message>
        <source>Error, The auto program item is empty.</source>
        <translation>错误，自动编程项目为空。</translation>
    </message>
    <message>
        <source>Failed to connect programmer</source>
        <translation>连接编程器失败</translation>
    </message>
    <message>
        <source>This function is not available, if programmer runs in disconnect mode
</source>
        <translation>编程器处于脱机模式时，此功能不可用
</translation>
    </message>
    <message>
        <source>Device Model: </source>
        <translation>器件型号: </translation>
    </message>
    <message>
        <source>Device ID error</source>
        <translation>器件ID错误</translation>
    </message>
    <message>
        <source>Initialization device failure</source>
        <translation>器件初始化失败</translation>
    </message>
    <message>
        <source>Write cofig failed</source>
        <translation>写配置失败</translation>
    </message>
    <message>
        <source>Write lock bit failed</source>
        <translation>写锁定位失败</translation>
    </message>
    <message>
        <source>Write fuse failed</source>
        <translation>写熔丝失败</translation>
    </message>
    <message>
        <source>Read lock bit failed</source>
        <translation>读锁定位失败</translation>
    </message>
    <message>
        <source>Read fuse failed</source>
        <translation>读熔丝失败</translation>
    </message>
    <message>
        <source>Erase failed</source>
        <translation>擦除失败</translation>
    </message>
    <message>
        <source>Program    </source>
        <translation>编程</translation>
    </message>
    <message>
        <source>Read       </source>
        <translation>读取</translation>
    </message>
    <message>
        <source>Verify     </source>
        <translation>校验</translation>
    </message>
    <message>
        <source>Blank      </source>
        <translation>查空</translation>
    </message>
    <message>
        <source>Erase      </source>
        <translation>擦除</translation>
    </message>
    <message>
        <source>Write Fuse </source>
        <translation>写熔丝</translation>
    </message>
    <message>
        <source>Read Fuse  </source>
        <translation>读熔丝</translation>
    </message>
    <message>
        <source>Protect    </source>
        <translation>加密</translation>
    </message>
    <message>
        <source>Read Lock Bits</source>
        <translation>读锁定位</translation>
    </message>
    <message>
        <source>Write Config</source>
        <translation>写配置</translation>
    </message>
    <message>
        <source>Read Config</source>
        <translation>读配置</translation>
    </message>
    <message>
        <source>Boot Lock</source>
        <translation>引导锁定</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>测试</translation>
    </message>
    <message>
        <source>Write Cal. Byte</source>
        <translation>写校准字节</translation>
    </message>
    <message>
        <source>Disconnect mode, Programmer Model: </source>
        <translation>脱机模式，编程器型号: </translation>
    </message>
    <message>
        <source>Programmer Model: </source>
        <translation>编程器型号: </translation>
    </message>
    <message>
        <source>File Format: </source>
        <translation>文件格式: </translation>
    </message>
    <message>
        <source>Save file successful</source>
        <translation>保存文件成功</translation>
    </message>
    <message>
        <source>Save file failed</source>
        <translation>保存文件失败</translation>
    </message>
    <message>
        <source>Load File Successful
</source>
        <translation>加载文件成功
</translation>
    </message>
    <message>
        <source>Load File Failed
</source>
        <translation>加载文件失败
</translation>
    </message>
    <message>
        <source>Warning: Line %d, Unkown data type
</source>
        <translation>警告: 第%d行, 未知数据类型
</translation>
    </message>
    <message>
        <source>Warning: Line %d, Data format error
</source>
        <translation>警告: 第%d行, 数据格式错误
</translation>
    </message>
    <message>
        <source>Load File: %s
</source>
        <translation>加载文件: %s
</translation>
    </message>
    <message>
        <source>Save File: %s
</source>
        <translation>保存文件: %s
</translation>
    </message>
    <message>
        <source>  Block0    	Location at 	%6.6XH -- %6.6XH&#xd;
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  Block1    	Location at 	%6.6XH -- %6.6XH&#xd;
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  FLASH    	Location at 	%6.6XH -- %6.6XH&#xd;
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  EEPROM    	Location at 	%6.6XH -- %6.6XH&#xd;
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  APROM    	Location at 	%6.6XH --- %6.6XH&#xd;
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  LDROM   	Location at 	%6.6XH --- %6.6XH&#xd;
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Config</source>
        <translation>配置</translation>
    </message>
    <message>
        <source>Code Memory</source>
        <translation>程序存储器</translation>
    </message>
    <message>
        <source>EEPROM Memory</source>
        <translation>EEPROM存储器</translation>
    </message>
    <message>
        <source>History Device</source>
        <translation>历史器件</translation>
    </message>
    <message>
        <source>Range(0x%X --- 0x%X)</source>
        <translation>范围(0x%X --- 0x%X)</translation>
    </message>
    <message>
        <source>Failed to open the device library, please reinstall the application</source>
        <translation>无法打开器件库，请重新安装应用程序</translation>
    </message>
    <message>
        <source>The format error of device library, please reinstall the application </source>
        <translation>器件库格式错误，请重新安装应用程序</translation>
    </message>
    <message>
        <source>The file has been modified by other application, Reload: 
</source>
        <translation>文件已被其他程序修改，重新加载: 
</translation>
    </message>
    <message>
        <source>Read Cal. Byte</source>
        <translation>读校准字节</translation>
    </message>
    <message>
        <source>Program(&amp;W)</source>
        <translation>编程(&amp;W)</translation>
    </message>
    <message>
        <source>Read(&amp;R)</source>
        <translation>读取(&amp;R)</translation>
    </message>
    <message>
        <source>Verify(&amp;V)</source>
        <translation>校验(&amp;V)</translation>
    </message>
    <message>
        <source>Blank Check(&amp;B)</source>
        <translation>查空(&amp;B)</translation>
    </message>
    <message>
        <source>Erase(&amp;E)</source>
        <translation>擦除(&amp;E)</translation>
    </message>
    <message>
        <source>Write Fuse(&amp;F)</source>
        <translation>写熔丝(&amp;F)</translation>
    </message>
    <message>
        <source>Read Fuse(&amp;U)</source>
        <translation>读熔丝(&amp;U)</translation>
    </message>
    <message>
        <source>Protect(&amp;P)</source>
        <translation>加密(&amp;P)</translation>
    </message>
    <message>
        <source>Read Lock Bits(&amp;L)</source>
        <translation>读锁定位(&amp;L)</translation>
    </message>
    <message>
        <source>Write Config(&amp;C)</source>
        <translation>写配置(&amp;C)</translation>
    </message>
    <message>
        <source>Read Config(&amp;F)</source>
        <translation>读配置(&amp;F)</translation>
    </message>
    <message>
        <source>Write Boot Lock(&amp;O)</source>
        <translation>写引导锁定(&amp;O)</translation>
    </message>
    <message>
        <source>Test(&amp;T)</source>
        <translation>测试(&amp;T)</translation>
    </message>
    <message>
        <source>Write Cal. Byte(&amp;C)</source>
        <translation>写校准字节(&amp;C)</translation>
    </message>
    <message>
        <source>Read Cal. Byte(&amp;I)</source>
        <translation>读校准字节(&amp;I)</translation>
    </message>
    <message>
        <source>Communication error!</source>
        <translation>通讯错误！</translation>
    </message>
    <message>
        <source>Blank check successful</source>
        <translation>查空成功</translation>
    </message>
    <message>
        <source>Start address out of range</source>
        <translation>起始地址超出范围</translation>
    </message>
    <message>
        <source>End address out of range</source>
        <translation>结束地址超出范围</translation>
    </message>
    <message>
        <source>Destination address out of range</source>
        <translation>目标地址超出范围</translation>
    </message>
    <message>
        <source>AND</source>
        <translation>与</translation>
    </message>
    <message>
        <source>AND data:</source>
        <translation>与数据:</translation>
    </message>
    <message>
        <source>XOR</source>
        <translation>异或</translation>
    </message>
    <message>
        <source>XOR data:</source>
        <translation>异或数据:</translation>
    </message>
    <message>
        <source>OR</source>
        <translation>或</translation>
    </message>
    <message>
        <source>OR data:</source>
        <translation>或数据:</translation>
    </message>
    <message>
        <source>Address out of range</source>
        <translation>地址超出范围</translation>
    </message>
    <message>
        <source>Address: 00000000H</source>
        <translation>地址: 00000000H</translation>
    </message>
    <message>
        <source>Address: %8.8XH</source>
        <translation>地址: %8.8XH</translation>
    </message>
    <message>
        <source>Address: %8.8d</source>
        <translation>地址: %8.8d</translation>
    </message>
    <message>
        <source>Check sum: %8.8XH</source>
        <translation>校验和: %8.8XH</translation>
    </message>
    <message>
        <source>Buffer Range: %8.8XH -- %8.8XH</source>
        <translation>缓冲区范围: %8.8XH -- %8.8XH</translation>
    </message>
    <message>
        <source>Buffer Range: %8.8d -- %8.8d</source>
        <translation>缓冲区范围: %8.8d -- %8.8d</translation>
    </message>
    <message>
        <source>The buffer address out of range</source>
        <translation>缓冲区地址超出范围</translation>
    </message>
    <message>
        <source>Operation was cancelled</source>
        <translation>操作已取消</translation>
    </message>
    <message>
        <source>Goto</source>
        <translation>转到</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>填充</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Swap</source>
        <translation>交换</translation>
    </message>
    <message>
        <source>Online Mode</source>
        <translation>联机模式</translation>
    </message>
    <message>
        <source>Connecting to programmer...</source>
        <translation>正在连接编程器...</translation>
    </message>
    <message>
        <source>Vendor :</source>
        <translation>厂商 :</translation>
    </message>
    <message>
        <source>Device :</source>
        <translation>器件 :</translation>
    </message>
    <message>
        <source>Size   :</source>
        <translation>容量 :</translation>
    </message>
    <message>
        <source>Pins   :</source>
        <translation>管脚 :</translation>
    </message>
    <message>
        <source>Adapter:</source>
        <translation>适配器:</translation>
    </message>
    <message>
        <source>DEC</source>
        <translation>十进制</translation>
    </message>
    <message>
        <source>HEX</source>
        <translation>十六进制</translation>
    </message>
    <message>
        <source>ISP Port</source>
        <translation>ISP接口</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>%s out of range. 

must be: %XH -- %XH
</source>
        <translation>%s 超出范围。

必须在: %XH -- %XH
</translation>
    </message>
    <message>
        <source>Warning: Some data out of range has been ignored&#xd;
</source>
        <translation>警告: 部分超出范围的数据已被忽略&#xd;
</translation>
    </message>
    <message>
        <source>Programming...</source>
        <translation>正在编程...</translation>
    </message>
    <message>
        <source>Reading...</source>
        <translation>正在读取...</translation>
    </message>
    <message>
        <source>Verifying...</source>
        <translation>正在校验...</translation>
    </message>
    <message>
        <source>Blank Checking...</source>
        <translation>正在查空...</translation>
    </message>
    <message>
        <source>Writting Cal. Byte...</source>
        <translation>正在写校准字节...</translation>
    </message>
    <message>
        <source>Writting fuse...</source>
        <translation>正在写熔丝...</translation>
    </message>
    <message>
        <source>Reading fuse...</source>
        <translation>正在读熔丝...</translation>
    </message>
    <message>
        <source>Protecting...</source>
        <translation>正在加密...</translation>
    </message>
    <message>
        <source>Read Lock Bits...</source>
        <translation>正在读锁定位...</translation>
    </message>
    <message>
        <source>Writing config...</source>
        <translation>正在写配置...</translation>
    </message>
    <message>
        <source>Reading config...</source>
        <translation>正在读配置...</translation>
    </message>
    <message>
        <source>Erasing...</source>
        <translation>正在擦除...</translation>
    </message>
    <message>
        <source>Boot locking...</source>
        <translation>正在引导锁定...</translation>
    </message>
    <message>
        <source>Boot lock completed</source>
        <translation>引导锁定完成</translation>
    </message>
    <message>
        <source>Testting...</source>
        <translation>正在测试...</translation>
    </message>
    <message>
        <source>Write Lock Bits...</source>
        <translation>正在写锁定位...</translation>
    </message>
    <message>
        <source>Write lock bits completed</source>
        <translation>写锁定位完成</translation>
    </message>
    <message>
        <source>Programming [%s]...</source>
        <translation>正在编程 [%s]...</translation>
    </message>
    <message>
        <source>Reading [%s]...</source>
        <translation>正在读取 [%s]...</translation>
    </message>
    <message>
        <source>Verifying [%s]...</source>
        <translation>正在校验 [%s]...</translation>
    </message>
    <message>
        <source>Blank Checking [%s]...</source>
        <translation>正在查空 [%s]...</translation>
    </message>
    <message>
        <source>Elapsed Time: %d.%2.2dS</source>
        <translation>耗时: %d.%2.2dS</translation>
    </message>
    <message>
        <source>Binary
</source>
        <translation>二进制
</translation>
    </message>
    <message>
        <source>IntelHEX
</source>
        <translation>IntelHEX
</translation>
    </message>
    <message>
        <source>Motorola
</source>
        <translation>Motorola
</translation>
    </message>
    <message>
        <source>Tektronix
</source>
        <translation>Tektronix
</translation>
    </message>
    <message>
        <source>Ext. Tektronix
</source>
        <translation>扩展Tektronix
</translation>
    </message>
    <message>
        <source>Binary</source>
        <translation>二进制</translation>
    </message>
    <message>
        <source>Intel Hex</source>
        <translation>Intel Hex</translation>
    </message>
    <message>
        <source>Motorola</source>
        <translation>Motorola</translation>
    </message>
    <message>
        <source>Tektronix</source>
        <translation>Tektronix</translation>
    </message>
    <message>
        <source>Extend Tektronix</source>
        <translation>扩展Tektronix</translation>
    </message>
    <message>
        <source>TD610 MCU Development Kit</source>
        <translation>TR610 单片机开发实验仪</translation>
    </message>
    <message>
        <source>TD620 MCU Development Kit</source>
        <translation>TR620 单片机开发实验仪</translation>
    </message>
    <message>
        <source>&amp;Load File...</source>
        <translation>加载文件(&amp;L)...</translation>
    </message>
    <message>
        <source>&amp;Save File...</source>
        <translation>保存文件(&amp;S)...</translation>
    </message>
    <message>
        <source>Settings...</source>
        <translation>设置...</translation>
    </message>
    <message>
        <source>Re&amp;connect...</source>
        <translation>重新连接(&amp;C)...</translation>
    </message>
    <message>
        <source>&amp;Test Hardware...</source>
        <translation>硬件测试(&amp;T)...</translation>
    </message>
    <message>
        <source>&amp;Upgrade...</source>
        <translation>升级(&amp;U)...</translation>
    </message>
    <message>
        <source>About(&amp;A)...</source>
        <translation>关于(&amp;A)...</translation>
    </message>
</context>
<context>
    <name>vantor::ui::ConnectDialog</name>
    <message>
        <source>Connect the programmer to a USB port and press Connect, or work without it.</source>
        <translation>请将编程器连接到USB接口后按“连接”，或在无编程器的情况下工作。</translation>
    </message>
    <message>
        <source>Programmer for disconnect mode</source>
        <translation>脱机模式使用的编程器</translation>
    </message>
    <message>
        <source>&amp;Connect</source>
        <translation>连接(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Disconnect Mode</source>
        <translation>脱机模式(&amp;D)</translation>
    </message>
</context>
<context>
    <name>vantor::ui::DeviceInfoDialog</name>
    <message>
        <source>Device Info.</source>
        <translation>器件信息</translation>
    </message>
    <message>
        <source>Device information</source>
        <translation>器件信息</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>关闭(&amp;C)</translation>
    </message>
</context>
<context>
    <name>vantor::ui::LoadFileDialog</name>
    <message>
        <source>Load File</source>
        <translation>加载文件</translation>
    </message>
    <message>
        <source>File Type</source>
        <translation>文件类型</translation>
    </message>
    <message>
        <source>File Name:</source>
        <translation>文件名:</translation>
    </message>
    <message>
        <source>Unused Byte</source>
        <translation>未用字节</translation>
    </message>
    <message>
        <source>Fill 0xff</source>
        <translation>填充 0xff</translation>
    </message>
    <message>
        <source>Fill 0x00</source>
        <translation>填充 0x00</translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>不改变</translation>
    </message>
    <message>
        <source>Offset(HEX)</source>
        <translation>偏移(十六进制)</translation>
    </message>
    <message>
        <source>File Start</source>
        <translation>文件起始</translation>
    </message>
    <message>
        <source>Buffer Start</source>
        <translation>缓冲区起始</translation>
    </message>
</context>
<context>
    <name>vantor::ui::MainWindow</name>
    <message>
        <source>Vantor - TR600 Series MCU Development Kit</source>
        <translation>Vantor - TR600 系列单片机开发实验仪</translation>
    </message>
    <message>
        <source>Information window</source>
        <translation>信息窗口</translation>
    </message>
    <message>
        <source>&amp;Load File...</source>
        <translation>加载文件(&amp;L)...</translation>
    </message>
    <message>
        <source>&amp;Save File...</source>
        <translation>保存文件(&amp;S)...</translation>
    </message>
    <message>
        <source>Exit(&amp;X)</source>
        <translation>退出(&amp;X)</translation>
    </message>
    <message>
        <source>&amp;Data Buffer</source>
        <translation>数据缓冲区(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Clear Info. Window</source>
        <translation>清除信息窗口(&amp;C)</translation>
    </message>
    <message>
        <source>Select &amp;Device</source>
        <translation>选择器件(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Config</source>
        <translation>配置(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Infomation</source>
        <translation>器件信息(&amp;I)</translation>
    </message>
    <message>
        <source>Settings...</source>
        <translation>设置...</translation>
    </message>
    <message>
        <source>Auto Program</source>
        <translation>自动编程</translation>
    </message>
    <message>
        <source>Re&amp;connect...</source>
        <translation>重新连接(&amp;C)...</translation>
    </message>
    <message>
        <source>&amp;Test Hardware...</source>
        <translation>硬件测试(&amp;T)...</translation>
    </message>
    <message>
        <source>&amp;Upgrade...</source>
        <translation>升级(&amp;U)...</translation>
    </message>
    <message>
        <source>Content(&amp;C)</source>
        <translation>目录(&amp;C)</translation>
    </message>
    <message>
        <source>About(&amp;A)...</source>
        <translation>关于(&amp;A)...</translation>
    </message>
    <message>
        <source>&amp;English</source>
        <translation>&amp;English</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>Recent Files</source>
        <translation>最近的文件</translation>
    </message>
    <message>
        <source>&amp;Buffer</source>
        <translation>缓冲区(&amp;B)</translation>
    </message>
    <message>
        <source>&amp;Device</source>
        <translation>器件(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;Operate</source>
        <translation>操作(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Programmer</source>
        <translation>编程器(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Simulator</source>
        <translation>模拟器(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Unplug Programmer</source>
        <translation>拔出编程器(&amp;U)</translation>
    </message>
    <message>
        <source>&amp;Plug In %1</source>
        <translation>插入 %1(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>语言(&amp;L)</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>Commands</source>
        <translation>命令</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>加载</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>编辑</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>器件</translation>
    </message>
    <message>
        <source>Config</source>
        <translation>配置</translation>
    </message>
    <message>
        <source>Info.</source>
        <translation>信息</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Vendor</source>
        <translation>厂商</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>容量</translation>
    </message>
    <message>
        <source>Pins</source>
        <translation>管脚</translation>
    </message>
    <message>
        <source>Adapter</source>
        <translation>适配器</translation>
    </message>
    <message>
        <source>File</source>
        <translation>文件</translation>
    </message>
    <message>
        <source>File :</source>
        <translation>文件 :</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>统计</translation>
    </message>
    <message>
        <source>Success count</source>
        <translation>成功次数</translation>
    </message>
    <message>
        <source>Failure count</source>
        <translation>失败次数</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>清零</translation>
    </message>
    <message>
        <source>Reset statistics</source>
        <translation>清除统计</translation>
    </message>
    <message>
        <source>Success:</source>
        <translation>成功:</translation>
    </message>
    <message>
        <source>Failure:</source>
        <translation>失败:</translation>
    </message>
    <message>
        <source>Operation</source>
        <translation>操作</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>执行(&amp;R)</translation>
    </message>
    <message>
        <source>Run the chosen operation</source>
        <translation>执行所选操作</translation>
    </message>
    <message>
        <source>&amp;Auto Program</source>
        <translation>自动编程(&amp;A)</translation>
    </message>
    <message>
        <source>Programmer model</source>
        <translation>编程器型号</translation>
    </message>
    <message>
        <source>Connection mode</source>
        <translation>连接模式</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Vantor&lt;/h3&gt;&lt;p&gt;TR600 Series MCU Development Kit&lt;/p&gt;&lt;p&gt;Program version V%1.%2%3&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Vantor&lt;/h3&gt;&lt;p&gt;TR600 系列单片机开发实验仪&lt;/p&gt;&lt;p&gt;程序版本 V%1.%2%3&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;Firmware version %1&lt;br&gt;Serial number %2&lt;/p&gt;</source>
        <translation>&lt;p&gt;固件版本 %1&lt;br&gt;序列号 %2&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;No programmer connected.&lt;/p&gt;</source>
        <translation>&lt;p&gt;未连接编程器。&lt;/p&gt;</translation>
    </message>
    <message>
        <source>About Vantor</source>
        <translation>关于 Vantor</translation>
    </message>
</context>
<context>
    <name>vantor::ui::ProgressDialog</name>
    <message>
        <source>Operating</source>
        <translation>正在操作</translation>
    </message>
    <message>
        <source>Operation status</source>
        <translation>操作状态</translation>
    </message>
    <message>
        <source>Operation progress</source>
        <translation>操作进度</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>vantor::ui::SaveFileDialog</name>
    <message>
        <source>Save File</source>
        <translation>保存文件</translation>
    </message>
    <message>
        <source>File Type</source>
        <translation>文件类型</translation>
    </message>
    <message>
        <source>Buffer Start Address(HEX)</source>
        <translation>缓冲区起始地址(十六进制)</translation>
    </message>
    <message>
        <source>Data Size(HEX)</source>
        <translation>数据长度(十六进制)</translation>
    </message>
    <message>
        <source>File Name:</source>
        <translation>文件名:</translation>
    </message>
</context>
</TS>
