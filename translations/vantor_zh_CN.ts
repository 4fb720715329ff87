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
        <source>Device settings are now kept in the new file %s
</source>
        <translation>器件设置现在保存在新文件 %s 中
</translation>
    </message>
    <message>
        <source>chip.set cannot be created: device settings are not kept
</source>
        <translation>无法创建 chip.set: 器件设置不会被保存
</translation>
    </message>
    <message>
        <source>A %s was plugged in, but the %s is selected: use Programmer &gt; Reconnect to work with it
</source>
        <translation>插入的是 %s，但当前选择的是 %s: 要使用它，请执行“编程器 &gt; 重新连接”
</translation>
    </message>
    <message>
        <source>File Start must be a hexadecimal number from %X to %X.</source>
        <translation>文件起始必须是 %X 至 %X 之间的十六进制数。</translation>
    </message>
    <message>
        <source>%s
Buffer Start must be a hexadecimal number from %X to %X.</source>
        <translation>%s
缓冲区起始必须是 %X 至 %X 之间的十六进制数。</translation>
    </message>
    <message>
        <source>Buffer Start Address must be a hexadecimal number from %X to %X.</source>
        <translation>缓冲区起始地址必须是 %X 至 %X 之间的十六进制数。</translation>
    </message>
    <message>
        <source>Data Size must be a hexadecimal number from %X to %X: the range ends at the end of the buffer.</source>
        <translation>数据长度必须是 %X 至 %X 之间的十六进制数: 范围止于缓冲区末尾。</translation>
    </message>
    <message>
        <source>No device of the type %s has "%s" in its name. Shorten the search text or choose the type All.</source>
        <translation>类型 %s 中没有名称含有“%s”的器件。请缩短搜索文字或选择类型“全部”。</translation>
    </message>
    <message>
        <source>No device of the type %s. Shorten the search text or choose the type All.</source>
        <translation>没有类型为 %s 的器件。请缩短搜索文字或选择类型“全部”。</translation>
    </message>
    <message>
        <source>No device has "%s" in its name. Shorten the search text or choose the type All.</source>
        <translation>没有名称含有“%s”的器件。请缩短搜索文字或选择类型“全部”。</translation>
    </message>
    <message>
        <source>An operation is running. Stop it and exit?</source>
        <translation>正在执行操作。停止操作并退出吗？</translation>
    </message>
    <message>
        <source>The buffer holds changes that have not been saved to a file. Exit and lose them?</source>
        <translation>缓冲区中有尚未保存到文件的修改。退出并放弃这些修改吗？</translation>
    </message>
    <message>
        <source>No device is selected: choose one with Select Device first
</source>
        <translation>未选择器件: 请先用“选择器件”选择一个器件
</translation>
    </message>
    <message>
        <source>These choices can lock the chip out:</source>
        <translation>以下选择可能使芯片无法再被编程:</translation>
    </message>
    <message>
        <source>Write them anyway?</source>
        <translation>仍然写入吗？</translation>
    </message>
    <message>
        <source>a code the list does not name</source>
        <translation>列表中没有的代码</translation>
    </message>
    <message>
        <source>the programmer reported a failure</source>
        <translation>编程器报告失败</translation>
    </message>
    <message>
        <source>the programmer did not answer</source>
        <translation>编程器没有响应</translation>
    </message>
    <message>
        <source>the identifier did not arrive</source>
        <translation>没有收到器件标识</translation>
    </message>
    <message>
        <source>Blank check</source>
        <translation>查空</translation>
    </message>
    <message>
        <source>%s refused: the configuration file %s is missing or damaged, so there is no configuration to write. Nothing was written; reinstall the application.</source>
        <translation>%s被拒绝: 配置文件 %s 缺失或已损坏，没有可写入的配置。未写入任何内容；请重新安装应用程序。</translation>
    </message>
    <message>
        <source>%s failed: the bytes written could not be read back (%s)</source>
        <translation>%s失败: 无法读回已写入的字节 (%s)</translation>
    </message>
    <message>
        <source>%s failed: byte %d reads back %2.2X, %2.2X was written (bits %2.2X differ)</source>
        <translation>%s失败: 字节 %d 读回 %2.2X，写入的是 %2.2X (位 %2.2X 不同)</translation>
    </message>
    <message>
        <source>%s failed: no device selected</source>
        <translation>%s失败: 未选择器件</translation>
    </message>
    <message>
        <source>%s failed: memory area %d of the device (0x%X bytes at 0x%X) lies outside the buffer</source>
        <translation>%s失败: 器件的存储区 %d (0x%X 字节，起始于 0x%X) 超出缓冲区范围</translation>
    </message>
    <message>
        <source>%s failed at the start of %s: %s</source>
        <translation>%s失败，位于%s的起始处: %s</translation>
    </message>
    <message>
        <source>memory area %d</source>
        <translation>存储区 %d</translation>
    </message>
    <message>
        <source>Reading the device ID failed: %s</source>
        <translation>读取器件ID失败: %s</translation>
    </message>
    <message>
        <source>Verify failed at address 0x%X: %s</source>
        <translation>校验失败，地址 0x%X: %s</translation>
    </message>
    <message>
        <source>Verify Failed.  Addr: 0x%X  Device: 0x%2.2X  Buffer: 0x%2.2X</source>
        <translation>校验失败。 地址: 0x%X  器件: 0x%2.2X  缓冲区: 0x%2.2X</translation>
    </message>
    <message>
        <source>Blank check failed at address 0x%X: %s</source>
        <translation>查空失败，地址 0x%X: %s</translation>
    </message>
    <message>
        <source>Blank check failed   Addr. 0x%X    Chip contect: 0x%2.2X
</source>
        <translation>查空失败   地址 0x%X    芯片内容: 0x%2.2X
</translation>
    </message>
    <message>
        <source>Write Cal. Byte failed: address 0x%X is outside the device's memory</source>
        <translation>写校准字节失败: 地址 0x%X 超出器件存储器范围</translation>
    </message>
    <message>
        <source>Write Cal. Byte failed: %s (address 0x%X)</source>
        <translation>写校准字节失败: %s (地址 0x%X)</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Serial EEPROM</source>
        <translation>串行 EEPROM</translation>
    </message>
    <message>
        <source>(HEX)</source>
        <translation>(十六进制)</translation>
    </message>
    <message>
        <source>(DEC)</source>
        <translation>(十进制)</translation>
    </message>
    <message>
        <source>Bytes</source>
        <translation>字节</translation>
    </message>
    <message>
        <source>Words</source>
        <translation>字</translation>
    </message>
    <message>
        <source>Memory</source>
        <translation>存储区</translation>
    </message>
    <message>
        <source>Device Addr.(Word)</source>
        <translation>器件地址(字)</translation>
    </message>
    <message>
        <source>Buffer Addr.(BYTE)</source>
        <translation>缓冲区地址(字节)</translation>
    </message>
    <message>
        <source>Location at</source>
        <translation>位于</translation>
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
    <message>
        <source>Extended fuse: ticked = programmed (0). Factory value FFH.</source>
        <translation>扩展熔丝: 勾选 = 已编程 (0)。出厂值 FFH。</translation>
    </message>
    <message>
        <source>The RESET pin becomes an I/O pin. Serial programming needs RESET, so only a high-voltage programmer can undo this.</source>
        <translation>RESET 引脚变为 I/O 引脚。串行编程需要 RESET，因此只有高压编程器才能恢复。</translation>
    </message>
    <message>
        <source>debugWIRE takes over the RESET pin and serial programming stops. A debugWIRE tool or a high-voltage programmer is needed to turn it off.</source>
        <translation>debugWIRE 将占用 RESET 引脚，串行编程随即失效。需要 debugWIRE 工具或高压编程器才能将其关闭。</translation>
    </message>
    <message>
        <source>Serial programming is disabled. Only a high-voltage programmer can enable it again.</source>
        <translation>串行编程被禁止。只有高压编程器才能重新允许。</translation>
    </message>
    <message>
        <source>The chip then runs, and can be programmed, only with a clock or crystal on its XTAL pins. Undo it with that clock connected, or with a high-voltage programmer.</source>
        <translation>此后芯片只有在 XTAL 引脚接上时钟或晶体时才能运行和编程。恢复时须接上该时钟，或使用高压编程器。</translation>
    </message>
    <message>
        <source>The memories can no longer be read or verified, nor the fuses changed. Only a chip erase clears it, and the program with it.</source>
        <translation>存储器将无法再读取或校验，熔丝也无法再修改。只有芯片擦除才能解除，程序也会随之被擦除。</translation>
    </message>
    <message>
        <source>Program memory reads back as zeros: it can no longer be read or verified. Only a bulk erase clears it, and the program with it.</source>
        <translation>程序存储器读出全为零: 无法再读取或校验。只有整片擦除才能解除，程序也会随之被擦除。</translation>
    </message>
    <message>
        <source>Data memory reads back as zeros: it can no longer be read or verified. Only a bulk erase clears it, and the data with it.</source>
        <translation>数据存储器读出全为零: 无法再读取或校验。只有整片擦除才能解除，数据也会随之被擦除。</translation>
    </message>
    <message>
        <source>Low-voltage programming is turned off: this low-voltage adapter cannot reach the chip again. Only a high-voltage programmer (ISP_PIC_HV) can turn it back on.</source>
        <translation>低电压编程被关闭: 此低电压适配器将无法再访问芯片。只有高压编程器 (ISP_PIC_HV) 才能重新打开。</translation>
    </message>
    <message>
        <source>Lock bits restrict reading, verifying and further programming of the chip. Only a chip erase clears them, and the program with them.</source>
        <translation>锁定位限制芯片的读取、校验和再编程。只有芯片擦除才能清除锁定位，程序也会随之被擦除。</translation>
    </message>
    <message>
        <source>Program lock mode</source>
        <translation>程序锁定模式</translation>
    </message>
    <message>
        <source>Mode 1: no program lock</source>
        <translation>模式 1: 无程序锁定</translation>
    </message>
    <message>
        <source>Mode 2 (LB1): external MOVC disabled, EA latched, no further programming</source>
        <translation>模式 2 (LB1): 禁止外部 MOVC，锁存 EA，禁止再编程</translation>
    </message>
    <message>
        <source>Mode 3 (LB1, LB2): also verify disabled</source>
        <translation>模式 3 (LB1, LB2): 同时禁止校验</translation>
    </message>
    <message>
        <source>Mode 4 (LB1-LB3): external execution disabled</source>
        <translation>模式 4 (LB1-LB3): 禁止外部执行</translation>
    </message>
    <message>
        <source>Memory lock (LB2, LB1)</source>
        <translation>存储器锁定 (LB2, LB1)</translation>
    </message>
    <message>
        <source>Mode 1: no memory lock</source>
        <translation>模式 1: 不锁定存储器</translation>
    </message>
    <message>
        <source>Mode 2: further programming disabled</source>
        <translation>模式 2: 禁止再编程</translation>
    </message>
    <message>
        <source>Mode 3: programming and verification disabled</source>
        <translation>模式 3: 禁止编程和校验</translation>
    </message>
    <message>
        <source>Low fuse: ticked = programmed (0). Factory value FFH.</source>
        <translation>低熔丝: 勾选 = 已编程 (0)。出厂值 FFH。</translation>
    </message>
    <message>
        <source>SPIEN: serial programming enabled</source>
        <translation>SPIEN: 允许串行编程</translation>
    </message>
    <message>
        <source>FSTRT: short start-up time</source>
        <translation>FSTRT: 短启动时间</translation>
    </message>
    <message>
        <source>Low fuse: ticked = programmed (0). Factory value E1H.</source>
        <translation>低熔丝: 勾选 = 已编程 (0)。出厂值 E1H。</translation>
    </message>
    <message>
        <source>Clock source (CKSEL)</source>
        <translation>时钟源 (CKSEL)</translation>
    </message>
    <message>
        <source>CKSEL</source>
        <translation>CKSEL</translation>
    </message>
    <message>
        <source>External clock (0000)</source>
        <translation>外部时钟 (0000)</translation>
    </message>
    <message>
        <source>Internal RC 1 MHz (0001)</source>
        <translation>内部 RC 1 MHz (0001)</translation>
    </message>
    <message>
        <source>Internal RC 2 MHz (0010)</source>
        <translation>内部 RC 2 MHz (0010)</translation>
    </message>
    <message>
        <source>Internal RC 4 MHz (0011)</source>
        <translation>内部 RC 4 MHz (0011)</translation>
    </message>
    <message>
        <source>Internal RC 8 MHz (0100)</source>
        <translation>内部 RC 8 MHz (0100)</translation>
    </message>
    <message>
        <source>External RC oscillator up to 0.9 MHz (0101)</source>
        <translation>外部 RC 振荡器，最高 0.9 MHz (0101)</translation>
    </message>
    <message>
        <source>External RC oscillator 0.9-3 MHz (0110)</source>
        <translation>外部 RC 振荡器 0.9-3 MHz (0110)</translation>
    </message>
    <message>
        <source>External RC oscillator 3-8 MHz (0111)</source>
        <translation>外部 RC 振荡器 3-8 MHz (0111)</translation>
    </message>
    <message>
        <source>External RC oscillator 8-12 MHz (1000)</source>
        <translation>外部 RC 振荡器 8-12 MHz (1000)</translation>
    </message>
    <message>
        <source>Low-frequency crystal 32.768 kHz (1001)</source>
        <translation>低频晶体 32.768 kHz (1001)</translation>
    </message>
    <message>
        <source>Ceramic resonator 0.4-0.9 MHz, CKOPT: crystal 1 MHz up (1010)</source>
        <translation>陶瓷谐振器 0.4-0.9 MHz，CKOPT: 晶体 1 MHz 以上 (1010)</translation>
    </message>
    <message>
        <source>Ceramic resonator 0.4-0.9 MHz, CKOPT: crystal 1 MHz up (1011)</source>
        <translation>陶瓷谐振器 0.4-0.9 MHz，CKOPT: 晶体 1 MHz 以上 (1011)</translation>
    </message>
    <message>
        <source>Crystal or ceramic resonator 0.9-3 MHz, CKOPT: 1 MHz up (1100)</source>
        <translation>晶体或陶瓷谐振器 0.9-3 MHz，CKOPT: 1 MHz 以上 (1100)</translation>
    </message>
    <message>
        <source>Crystal or ceramic resonator 0.9-3 MHz, CKOPT: 1 MHz up (1101)</source>
        <translation>晶体或陶瓷谐振器 0.9-3 MHz，CKOPT: 1 MHz 以上 (1101)</translation>
    </message>
    <message>
        <source>Crystal or ceramic resonator 3-8 MHz, CKOPT: 1 MHz up (1110)</source>
        <translation>晶体或陶瓷谐振器 3-8 MHz，CKOPT: 1 MHz 以上 (1110)</translation>
    </message>
    <message>
        <source>Crystal or ceramic resonator 3-8 MHz, CKOPT: 1 MHz up (1111)</source>
        <translation>晶体或陶瓷谐振器 3-8 MHz，CKOPT: 1 MHz 以上 (1111)</translation>
    </message>
    <message>
        <source>Start-up time (SUT)</source>
        <translation>启动时间 (SUT)</translation>
    </message>
    <message>
        <source>SUT</source>
        <translation>SUT</translation>
    </message>
    <message>
        <source>SUT=00 (shortest)</source>
        <translation>SUT=00 (最短)</translation>
    </message>
    <message>
        <source>SUT=01</source>
        <translation>SUT=01</translation>
    </message>
    <message>
        <source>SUT=10</source>
        <translation>SUT=10</translation>
    </message>
    <message>
        <source>SUT=11 (longest; reserved for some clock sources)</source>
        <translation>SUT=11 (最长；部分时钟源保留)</translation>
    </message>
    <message>
        <source>BODEN: brown-out detector enabled</source>
        <translation>BODEN: 启用掉电检测</translation>
    </message>
    <message>
        <source>BODLEVEL: brown-out level 4.0 V (else 2.7 V)</source>
        <translation>BODLEVEL: 掉电电平 4.0 V (否则 2.7 V)</translation>
    </message>
    <message>
        <source>High fuse: ticked = programmed (0). Factory value 99H.</source>
        <translation>高熔丝: 勾选 = 已编程 (0)。出厂值 99H。</translation>
    </message>
    <message>
        <source>Boot section size (BOOTSZ)</source>
        <translation>引导区大小 (BOOTSZ)</translation>
    </message>
    <message>
        <source>BOOTSZ</source>
        <translation>BOOTSZ</translation>
    </message>
    <message>
        <source>512 words (BOOTSZ=11)</source>
        <translation>512 字 (BOOTSZ=11)</translation>
    </message>
    <message>
        <source>1024 words (BOOTSZ=10)</source>
        <translation>1024 字 (BOOTSZ=10)</translation>
    </message>
    <message>
        <source>2048 words (BOOTSZ=01)</source>
        <translation>2048 字 (BOOTSZ=01)</translation>
    </message>
    <message>
        <source>4096 words (BOOTSZ=00)</source>
        <translation>4096 字 (BOOTSZ=00)</translation>
    </message>
    <message>
        <source>BOOTRST: reset vector in the boot section</source>
        <translation>BOOTRST: 复位向量位于引导区</translation>
    </message>
    <message>
        <source>EESAVE: EEPROM kept through chip erase</source>
        <translation>EESAVE: 芯片擦除时保留 EEPROM</translation>
    </message>
    <message>
        <source>CKOPT: full oscillator swing</source>
        <translation>CKOPT: 振荡器全摆幅</translation>
    </message>
    <message>
        <source>JTAGEN: JTAG interface enabled</source>
        <translation>JTAGEN: 启用 JTAG 接口</translation>
    </message>
    <message>
        <source>OCDEN: on-chip debug enabled</source>
        <translation>OCDEN: 启用片上调试</translation>
    </message>
    <message>
        <source>Extended fuse: ticked = programmed (0). Factory value FDH.</source>
        <translation>扩展熔丝: 勾选 = 已编程 (0)。出厂值 FDH。</translation>
    </message>
    <message>
        <source>WDTON: watchdog timer always on</source>
        <translation>WDTON: 看门狗定时器常开</translation>
    </message>
    <message>
        <source>M103C: ATmega103 compatibility mode</source>
        <translation>M103C: ATmega103 兼容模式</translation>
    </message>
    <message>
        <source>Application section (BLB02, BLB01)</source>
        <translation>应用程序区 (BLB02, BLB01)</translation>
    </message>
    <message>
        <source>BLB0</source>
        <translation>BLB0</translation>
    </message>
    <message>
        <source>No restriction</source>
        <translation>无限制</translation>
    </message>
    <message>
        <source>SPM may not write it</source>
        <translation>禁止 SPM 写入</translation>
    </message>
    <message>
        <source>SPM write and LPM from boot not allowed</source>
        <translation>禁止 SPM 写入及引导区的 LPM</translation>
    </message>
    <message>
        <source>LPM from boot not allowed</source>
        <translation>禁止引导区的 LPM</translation>
    </message>
    <message>
        <source>Boot section (BLB12, BLB11)</source>
        <translation>引导区 (BLB12, BLB11)</translation>
    </message>
    <message>
        <source>BLB1</source>
        <translation>BLB1</translation>
    </message>
    <message>
        <source>SPM write and LPM from application not allowed</source>
        <translation>禁止 SPM 写入及应用程序区的 LPM</translation>
    </message>
    <message>
        <source>LPM from application not allowed</source>
        <translation>禁止应用程序区的 LPM</translation>
    </message>
    <message>
        <source>Write Cal. Byte copies an oscillator calibration byte of the</source>
        <translation>写校准字节将器件签名行中的振荡器校准字节</translation>
    </message>
    <message>
        <source>signature row to this buffer address (flash or EEPROM).</source>
        <translation>复制到此缓冲区地址 (闪存或 EEPROM)。</translation>
    </message>
    <message>
        <source>Calibration byte address</source>
        <translation>校准字节地址</translation>
    </message>
    <message>
        <source>Calibration byte for</source>
        <translation>校准字节用于</translation>
    </message>
    <message>
        <source>CALBYTE</source>
        <translation>CALBYTE</translation>
    </message>
    <message>
        <source>1 MHz</source>
        <translation>1 MHz</translation>
    </message>
    <message>
        <source>2 MHz</source>
        <translation>2 MHz</translation>
    </message>
    <message>
        <source>4 MHz</source>
        <translation>4 MHz</translation>
    </message>
    <message>
        <source>8 MHz</source>
        <translation>8 MHz</translation>
    </message>
    <message>
        <source>Low fuse: ticked = programmed (0). Factory value 62H.</source>
        <translation>低熔丝: 勾选 = 已编程 (0)。出厂值 62H。</translation>
    </message>
    <message>
        <source>Internal RC 8 MHz (0010)</source>
        <translation>内部 RC 8 MHz (0010)</translation>
    </message>
    <message>
        <source>Internal 128 kHz oscillator (0011)</source>
        <translation>内部 128 kHz 振荡器 (0011)</translation>
    </message>
    <message>
        <source>Low-frequency crystal 32.768 kHz (0100)</source>
        <translation>低频晶体 32.768 kHz (0100)</translation>
    </message>
    <message>
        <source>Low-frequency crystal 32.768 kHz (0101)</source>
        <translation>低频晶体 32.768 kHz (0101)</translation>
    </message>
    <message>
        <source>Full-swing crystal 0.4-16 MHz (0110)</source>
        <translation>全摆幅晶体 0.4-16 MHz (0110)</translation>
    </message>
    <message>
        <source>Full-swing crystal 0.4-16 MHz (0111)</source>
        <translation>全摆幅晶体 0.4-16 MHz (0111)</translation>
    </message>
    <message>
        <source>Ceramic resonator 0.4-0.9 MHz (1000)</source>
        <translation>陶瓷谐振器 0.4-0.9 MHz (1000)</translation>
    </message>
    <message>
        <source>Ceramic resonator 0.4-0.9 MHz (1001)</source>
        <translation>陶瓷谐振器 0.4-0.9 MHz (1001)</translation>
    </message>
    <message>
        <source>Crystal or ceramic resonator 0.9-3 MHz (1010)</source>
        <translation>晶体或陶瓷谐振器 0.9-3 MHz (1010)</translation>
    </message>
    <message>
        <source>Crystal or ceramic resonator 0.9-3 MHz (1011)</source>
        <translation>晶体或陶瓷谐振器 0.9-3 MHz (1011)</translation>
    </message>
    <message>
        <source>Crystal or ceramic resonator 3-8 MHz (1100)</source>
        <translation>晶体或陶瓷谐振器 3-8 MHz (1100)</translation>
    </message>
    <message>
        <source>Crystal or ceramic resonator 3-8 MHz (1101)</source>
        <translation>晶体或陶瓷谐振器 3-8 MHz (1101)</translation>
    </message>
    <message>
        <source>Crystal or ceramic resonator 8-16 MHz (1110)</source>
        <translation>晶体或陶瓷谐振器 8-16 MHz (1110)</translation>
    </message>
    <message>
        <source>Crystal or ceramic resonator 8-16 MHz (1111)</source>
        <translation>晶体或陶瓷谐振器 8-16 MHz (1111)</translation>
    </message>
    <message>
        <source>CKOUT: clock output on CLKO</source>
        <translation>CKOUT: 时钟从 CLKO 输出</translation>
    </message>
    <message>
        <source>CKDIV8: clock divided by 8</source>
        <translation>CKDIV8: 时钟 8 分频</translation>
    </message>
    <message>
        <source>Brown-out detection level</source>
        <translation>掉电检测电平</translation>
    </message>
    <message>
        <source>BODLEVEL</source>
        <translation>BODLEVEL</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>禁止</translation>
    </message>
    <message>
        <source>1.8 V</source>
        <translation>1.8 V</translation>
    </message>
    <message>
        <source>2.7 V</source>
        <translation>2.7 V</translation>
    </message>
    <message>
        <source>4.3 V</source>
        <translation>4.3 V</translation>
    </message>
    <message>
        <source>Internal RC oscillator</source>
        <translation>内部 RC 振荡器</translation>
    </message>
    <message>
        <source>Low fuse: ticked = programmed (0). Factory value 42H.</source>
        <translation>低熔丝: 勾选 = 已编程 (0)。出厂值 42H。</translation>
    </message>
    <message>
        <source>Full-swing crystal 0.4-20 MHz (0110)</source>
        <translation>全摆幅晶体 0.4-20 MHz (0110)</translation>
    </message>
    <message>
        <source>Full-swing crystal 0.4-20 MHz (0111)</source>
        <translation>全摆幅晶体 0.4-20 MHz (0111)</translation>
    </message>
    <message>
        <source>High fuse: ticked = programmed (0). Factory value 9DH.</source>
        <translation>高熔丝: 勾选 = 已编程 (0)。出厂值 9DH。</translation>
    </message>
    <message>
        <source>128 words (BOOTSZ=11)</source>
        <translation>128 字 (BOOTSZ=11)</translation>
    </message>
    <message>
        <source>256 words (BOOTSZ=10)</source>
        <translation>256 字 (BOOTSZ=10)</translation>
    </message>
    <message>
        <source>512 words (BOOTSZ=01)</source>
        <translation>512 字 (BOOTSZ=01)</translation>
    </message>
    <message>
        <source>1024 words (BOOTSZ=00)</source>
        <translation>1024 字 (BOOTSZ=00)</translation>
    </message>
    <message>
        <source>Low-frequency crystal 32.768 kHz (0110)</source>
        <translation>低频晶体 32.768 kHz (0110)</translation>
    </message>
    <message>
        <source>Low-frequency crystal 32.768 kHz (0111)</source>
        <translation>低频晶体 32.768 kHz (0111)</translation>
    </message>
    <message>
        <source>Crystal or ceramic resonator 8 MHz and above (1110)</source>
        <translation>晶体或陶瓷谐振器 8 MHz 以上 (1110)</translation>
    </message>
    <message>
        <source>Crystal or ceramic resonator 8 MHz and above (1111)</source>
        <translation>晶体或陶瓷谐振器 8 MHz 以上 (1111)</translation>
    </message>
    <message>
        <source>2.3 V</source>
        <translation>2.3 V</translation>
    </message>
    <message>
        <source>M161C: ATmega161 compatibility mode</source>
        <translation>M161C: ATmega161 兼容模式</translation>
    </message>
    <message>
        <source>High fuse: ticked = programmed (0). Factory value DFH.</source>
        <translation>高熔丝: 勾选 = 已编程 (0)。出厂值 DFH。</translation>
    </message>
    <message>
        <source>DWEN: debugWIRE enabled</source>
        <translation>DWEN: 启用 debugWIRE</translation>
    </message>
    <message>
        <source>RSTDISBL: external reset disabled (pin is I/O)</source>
        <translation>RSTDISBL: 禁止外部复位 (引脚作 I/O)</translation>
    </message>
    <message>
        <source>Extended fuse: ticked = programmed (0). Factory value F9H.</source>
        <translation>扩展熔丝: 勾选 = 已编程 (0)。出厂值 F9H。</translation>
    </message>
    <message>
        <source>256 words (BOOTSZ=11)</source>
        <translation>256 字 (BOOTSZ=11)</translation>
    </message>
    <message>
        <source>512 words (BOOTSZ=10)</source>
        <translation>512 字 (BOOTSZ=10)</translation>
    </message>
    <message>
        <source>1024 words (BOOTSZ=01)</source>
        <translation>1024 字 (BOOTSZ=01)</translation>
    </message>
    <message>
        <source>2048 words (BOOTSZ=00)</source>
        <translation>2048 字 (BOOTSZ=00)</translation>
    </message>
    <message>
        <source>High fuse: ticked = programmed (0). Factory value D9H.</source>
        <translation>高熔丝: 勾选 = 已编程 (0)。出厂值 D9H。</translation>
    </message>
    <message>
        <source>Low fuse: ticked = programmed (0). Factory value 5EH.</source>
        <translation>低熔丝: 勾选 = 已编程 (0)。出厂值 5EH。</translation>
    </message>
    <message>
        <source>Extended fuse: ticked = programmed (0). Factory value F3H.</source>
        <translation>扩展熔丝: 勾选 = 已编程 (0)。出厂值 F3H。</translation>
    </message>
    <message>
        <source>2.0 V</source>
        <translation>2.0 V</translation>
    </message>
    <message>
        <source>2.2 V</source>
        <translation>2.2 V</translation>
    </message>
    <message>
        <source>2.4 V</source>
        <translation>2.4 V</translation>
    </message>
    <message>
        <source>2.6 V</source>
        <translation>2.6 V</translation>
    </message>
    <message>
        <source>3.4 V</source>
        <translation>3.4 V</translation>
    </message>
    <message>
        <source>3.5 V</source>
        <translation>3.5 V</translation>
    </message>
    <message>
        <source>HWBE: hardware boot enable (HWB pin)</source>
        <translation>HWBE: 硬件引导使能 (HWB 引脚)</translation>
    </message>
    <message>
        <source>SELFPRGEN: self-programming enabled</source>
        <translation>SELFPRGEN: 允许自编程</translation>
    </message>
    <message>
        <source>S8515C: AT90S8515 compatibility mode</source>
        <translation>S8515C: AT90S8515 兼容模式</translation>
    </message>
    <message>
        <source>S8535C: AT90S8535 compatibility mode</source>
        <translation>S8535C: AT90S8535 兼容模式</translation>
    </message>
    <message>
        <source>Low fuse: ticked = programmed (0). Factory value 6AH.</source>
        <translation>低熔丝: 勾选 = 已编程 (0)。出厂值 6AH。</translation>
    </message>
    <message>
        <source>External clock (00)</source>
        <translation>外部时钟 (00)</translation>
    </message>
    <message>
        <source>Internal RC 4.8 MHz (01)</source>
        <translation>内部 RC 4.8 MHz (01)</translation>
    </message>
    <message>
        <source>Internal RC 9.6 MHz (10)</source>
        <translation>内部 RC 9.6 MHz (10)</translation>
    </message>
    <message>
        <source>Internal 128 kHz oscillator (11)</source>
        <translation>内部 128 kHz 振荡器 (11)</translation>
    </message>
    <message>
        <source>SUT=11 (reserved)</source>
        <translation>SUT=11 (保留)</translation>
    </message>
    <message>
        <source>High fuse: ticked = programmed (0). Factory value FFH.</source>
        <translation>高熔丝: 勾选 = 已编程 (0)。出厂值 FFH。</translation>
    </message>
    <message>
        <source>9.6 MHz</source>
        <translation>9.6 MHz</translation>
    </message>
    <message>
        <source>4.8 MHz</source>
        <translation>4.8 MHz</translation>
    </message>
    <message>
        <source>Low fuse: ticked = programmed (0). Factory value 64H.</source>
        <translation>低熔丝: 勾选 = 已编程 (0)。出厂值 64H。</translation>
    </message>
    <message>
        <source>Internal RC 4 MHz (0010)</source>
        <translation>内部 RC 4 MHz (0010)</translation>
    </message>
    <message>
        <source>Internal 128 kHz oscillator (0110)</source>
        <translation>内部 128 kHz 振荡器 (0110)</translation>
    </message>
    <message>
        <source>Internal 128 kHz oscillator (0100)</source>
        <translation>内部 128 kHz 振荡器 (0100)</translation>
    </message>
    <message>
        <source>Internal PLL 16 MHz (0001)</source>
        <translation>内部 PLL 16 MHz (0001)</translation>
    </message>
    <message>
        <source>Internal RC 6.4 MHz, ATtiny15 mode (0011)</source>
        <translation>内部 RC 6.4 MHz，ATtiny15 模式 (0011)</translation>
    </message>
    <message>
        <source>Internal RC 1 MHz, PLLCK: internal PLL 16 MHz (0001)</source>
        <translation>内部 RC 1 MHz，PLLCK: 内部 PLL 16 MHz (0001)</translation>
    </message>
    <message>
        <source>PLLCK: PLL clock source</source>
        <translation>PLLCK: PLL 时钟源</translation>
    </message>
    <message>
        <source>High fuse: ticked = programmed (0). Factory value F7H.</source>
        <translation>高熔丝: 勾选 = 已编程 (0)。出厂值 F7H。</translation>
    </message>
    <message>
        <source>Security bits: set bits are programmed by Protect.</source>
        <translation>加密位: 勾选的位由“加密”操作编程。</translation>
    </message>
    <message>
        <source>SB1: security bit 1 (external MOVC and code verify blocked)</source>
        <translation>SB1: 加密位 1 (禁止外部 MOVC 和代码校验)</translation>
    </message>
    <message>
        <source>SB2: security bit 2 (further programming of the flash disabled)</source>
        <translation>SB2: 加密位 2 (禁止再编程闪存)</translation>
    </message>
    <message>
        <source>SB3: security bit 3 (external execution disabled)</source>
        <translation>SB3: 加密位 3 (禁止外部执行)</translation>
    </message>
    <message>
        <source>Configuration word 1, bytes 0-1; erased value 0FFFH.</source>
        <translation>配置字 1，字节 0-1；擦除值 0FFFH。</translation>
    </message>
    <message>
        <source>WDTE: WDT enabled</source>
        <translation>WDTE: 启用看门狗</translation>
    </message>
    <message>
        <source>CP: Code protection on</source>
        <translation>CP: 代码保护</translation>
    </message>
    <message>
        <source>MCLRE: GP3/MCLR pin function  is MCLR</source>
        <translation>MCLRE: GP3/MCLR 引脚作 MCLR</translation>
    </message>
    <message>
        <source>Internal oscillator (IOSCFS)</source>
        <translation>内部振荡器 (IOSCFS)</translation>
    </message>
    <message>
        <source>IOSCFS</source>
        <translation>IOSCFS</translation>
    </message>
    <message>
        <source>IOFSCS</source>
        <translation>IOFSCS</translation>
    </message>
    <message>
        <source>MCPU: Pull-up enabled</source>
        <translation>MCPU: 启用上拉</translation>
    </message>
    <message>
        <source>MCLRE: GP3/MCLR pin function is MCLR</source>
        <translation>MCLRE: GP3/MCLR 引脚作 MCLR</translation>
    </message>
    <message>
        <source>Oscillator (OSC)</source>
        <translation>振荡器 (OSC)</translation>
    </message>
    <message>
        <source>OSC</source>
        <translation>OSC</translation>
    </message>
    <message>
        <source>LP oscillator</source>
        <translation>LP 振荡器</translation>
    </message>
    <message>
        <source>XT oscillator</source>
        <translation>XT 振荡器</translation>
    </message>
    <message>
        <source>internal RC oscillator</source>
        <translation>内部 RC 振荡器</translation>
    </message>
    <message>
        <source>external RC oscillator</source>
        <translation>外部 RC 振荡器</translation>
    </message>
    <message>
        <source>WDT: WDT enabled</source>
        <translation>WDT: 启用看门狗</translation>
    </message>
    <message>
        <source>LP oscillator with 18 ms DRT</source>
        <translation>LP 振荡器，18 ms DRT</translation>
    </message>
    <message>
        <source>XT oscillator with 18 ms DRT</source>
        <translation>XT 振荡器，18 ms DRT</translation>
    </message>
    <message>
        <source>INTOSC with 1.125 ms DRT</source>
        <translation>INTOSC，1.125 ms DRT</translation>
    </message>
    <message>
        <source>EXTRC with 1.125 ms DRT</source>
        <translation>EXTRC，1.125 ms DRT</translation>
    </message>
    <message>
        <source>MCLRE: GP3/MCLR Functions as MCLR</source>
        <translation>MCLRE: GP3/MCLR 引脚作 MCLR</translation>
    </message>
    <message>
        <source>IOSCFS: 8 MHz INTOSC Speed</source>
        <translation>IOSCFS: INTOSC 频率 8 MHz</translation>
    </message>
    <message>
        <source>Configuration word 1, bytes 0-1; erased value 3FFFH.</source>
        <translation>配置字 1，字节 0-1；擦除值 3FFFH。</translation>
    </message>
    <message>
        <source>Oscillator (FOSC)</source>
        <translation>振荡器 (FOSC)</translation>
    </message>
    <message>
        <source>FOSC</source>
        <translation>FOSC</translation>
    </message>
    <message>
        <source>LP oscillator: Low power crystal on GP4/OSC2/CLKOUT and...</source>
        <translation>LP 振荡器: 低功耗晶体接 GP4/OSC2/CLKOUT，...</translation>
    </message>
    <message>
        <source>XT oscillator: Crystal/resonator on GP4/OSC2/CLKOUT and...</source>
        <translation>XT 振荡器: 晶体/谐振器接 GP4/OSC2/CLKOUT，...</translation>
    </message>
    <message>
        <source>HS oscillator: High speed crystal/resonator on...</source>
        <translation>HS 振荡器: 高速晶体/谐振器接...</translation>
    </message>
    <message>
        <source>EC: I/O function on GP4/OSC2/CLKOUT pin, CLKIN on...</source>
        <translation>EC: GP4/OSC2/CLKOUT 引脚作 I/O，CLKIN 接...</translation>
    </message>
    <message>
        <source>INTOSC oscillator: I/O function on GP4/OSC2/CLKOUT pin...</source>
        <translation>INTOSC 振荡器: GP4/OSC2/CLKOUT 引脚作 I/O...</translation>
    </message>
    <message>
        <source>INTOSC oscillator: CLKOUT function on GP4/OSC2/CLKOUT...</source>
        <translation>INTOSC 振荡器: GP4/OSC2/CLKOUT 引脚输出 CLKOUT...</translation>
    </message>
    <message>
        <source>RC oscillator: I/O function on GP4/OSC2/CLKOUT pin, RC on...</source>
        <translation>RC 振荡器: GP4/OSC2/CLKOUT 引脚作 I/O，RC 接...</translation>
    </message>
    <message>
        <source>RC oscillator: CLKOUT function on GP4/OSC2/CLKOUT pin, RC...</source>
        <translation>RC 振荡器: GP4/OSC2/CLKOUT 引脚输出 CLKOUT...</translation>
    </message>
    <message>
        <source>PWRTE: PWRT enabled</source>
        <translation>PWRTE: 启用上电定时器</translation>
    </message>
    <message>
        <source>BOREN: BOD enabled</source>
        <translation>BOREN: 启用掉电检测</translation>
    </message>
    <message>
        <source>CP: Program Memory code protection is enabled</source>
        <translation>CP: 启用程序存储器代码保护</translation>
    </message>
    <message>
        <source>CPD: Data memory code protection is enabled</source>
        <translation>CPD: 启用数据存储器代码保护</translation>
    </message>
    <message>
        <source>Four user ID words, bytes 4-11, low byte first.</source>
        <translation>四个用户ID字，字节 4-11，低字节在前。</translation>
    </message>
    <message>
        <source>ID0 (2000H)</source>
        <translation>ID0 (2000H)</translation>
    </message>
    <message>
        <source>ID1 (2001H)</source>
        <translation>ID1 (2001H)</translation>
    </message>
    <message>
        <source>ID2 (2002H)</source>
        <translation>ID2 (2002H)</translation>
    </message>
    <message>
        <source>ID3 (2003H)</source>
        <translation>ID3 (2003H)</translation>
    </message>
    <message>
        <source>LP oscillator: Low-power crystal on RA5/T1CKI/OSC1/CLKIN...</source>
        <translation>LP 振荡器: 低功耗晶体接 RA5/T1CKI/OSC1/CLKIN...</translation>
    </message>
    <message>
        <source>XT oscillator: Crystal/resonator on RA5/T1CKI/OSC1/CLKIN...</source>
        <translation>XT 振荡器: 晶体/谐振器接 RA5/T1CKI/OSC1/CLKIN...</translation>
    </message>
    <message>
        <source>HS oscillator: High-speed crystal/resonator on...</source>
        <translation>HS 振荡器: 高速晶体/谐振器接...</translation>
    </message>
    <message>
        <source>EC: I/O function on RA4/T1G/OSC2/CLKOUT, CLKIN on...</source>
        <translation>EC: RA4/T1G/OSC2/CLKOUT 引脚作 I/O，CLKIN 接...</translation>
    </message>
    <message>
        <source>INTOSCIO oscillator: I/O function on RA4/T1G/OSC2/CLKOUT...</source>
        <translation>INTOSCIO 振荡器: RA4/T1G/OSC2/CLKOUT 引脚作 I/O...</translation>
    </message>
    <message>
        <source>INTOSC oscillator: CLKOUT function on RA4/T1G/OSC2/CLKOUT...</source>
        <translation>INTOSC 振荡器: RA4/T1G/OSC2/CLKOUT 引脚输出 CLKOUT...</translation>
    </message>
    <message>
        <source>RCIO oscillator: I/O function on RA4/T1G/OSC2/CLKOUT pin...</source>
        <translation>RCIO 振荡器: RA4/T1G/OSC2/CLKOUT 引脚作 I/O...</translation>
    </message>
    <message>
        <source>RC oscillator: CLKOUT function on RA4/T1G/OSC2/CLKOUT...</source>
        <translation>RC 振荡器: RA4/T1G/OSC2/CLKOUT 引脚输出 CLKOUT...</translation>
    </message>
    <message>
        <source>MCLRE: MCLR pin is MCLR function and weak internal pull-up is...</source>
        <translation>MCLRE: MCLR 引脚作 MCLR，内部弱上拉...</translation>
    </message>
    <message>
        <source>CP: Program memory is external read and write-protected</source>
        <translation>CP: 程序存储器禁止外部读写</translation>
    </message>
    <message>
        <source>CPD: Data memory is external read protected</source>
        <translation>CPD: 数据存储器禁止外部读取</translation>
    </message>
    <message>
        <source>Brown-out reset (BOREN)</source>
        <translation>掉电复位 (BOREN)</translation>
    </message>
    <message>
        <source>BOREN</source>
        <translation>BOREN</translation>
    </message>
    <message>
        <source>BOD and SBODEN disabled</source>
        <translation>禁止 BOD 和 SBODEN</translation>
    </message>
    <message>
        <source>SBODEN controls BOD function</source>
        <translation>由 SBODEN 控制 BOD</translation>
    </message>
    <message>
        <source>BOD enabled while running and disabled in Sleep. SBODEN...</source>
        <translation>运行时启用 BOD，休眠时禁止。SBODEN...</translation>
    </message>
    <message>
        <source>BOD enabled and SBOdEN bit disabled</source>
        <translation>启用 BOD，禁止 SBODEN 位</translation>
    </message>
    <message>
        <source>IESO: Internal External Switchover mode enabled</source>
        <translation>IESO: 启用内外时钟切换模式</translation>
    </message>
    <message>
        <source>FCMEN: Fail-Safe Clock Monitor enabled</source>
        <translation>FCMEN: 启用故障保护时钟监视器</translation>
    </message>
    <message>
        <source>WURE: Wake-up and Reset enabled</source>
        <translation>WURE: 启用唤醒复位</translation>
    </message>
    <message>
        <source>LP oscillator: Low-power crystal on RA4/OSC2/CLKOUT and...</source>
        <translation>LP 振荡器: 低功耗晶体接 RA4/OSC2/CLKOUT，...</translation>
    </message>
    <message>
        <source>XT oscillator: Crystal/resonator on RA4/OSC2/CLKOUT and...</source>
        <translation>XT 振荡器: 晶体/谐振器接 RA4/OSC2/CLKOUT，...</translation>
    </message>
    <message>
        <source>EC: I/O function on RA4/OSC2/CLKOUT pin, CLKIN on...</source>
        <translation>EC: RA4/OSC2/CLKOUT 引脚作 I/O，CLKIN 接...</translation>
    </message>
    <message>
        <source>INTOSCIO oscillator: I/O function on RA4/OSC2/CLKOUT pin...</source>
        <translation>INTOSCIO 振荡器: RA4/OSC2/CLKOUT 引脚作 I/O...</translation>
    </message>
    <message>
        <source>INTOSC oscillator: CLKOUT function on RA4/OSC2/CLKOUT...</source>
        <translation>INTOSC 振荡器: RA4/OSC2/CLKOUT 引脚输出 CLKOUT...</translation>
    </message>
    <message>
        <source>EXTRCIO oscillator: External RC on RA5/OSC1/CLKIN, I/O...</source>
        <translation>EXTRCIO 振荡器: 外部 RC 接 RA5/OSC1/CLKIN，I/O...</translation>
    </message>
    <message>
        <source>EXTRC oscillator: External RC on RA5/OSC1/CLKIN, CLKOUT...</source>
        <translation>EXTRC 振荡器: 外部 RC 接 RA5/OSC1/CLKIN，CLKOUT...</translation>
    </message>
    <message>
        <source>MCLRE: MCLR pin function is MCLR</source>
        <translation>MCLRE: MCLR 引脚作 MCLR</translation>
    </message>
    <message>
        <source>CP: Program memory code protection is enabled</source>
        <translation>CP: 启用程序存储器代码保护</translation>
    </message>
    <message>
        <source>BOR disabled</source>
        <translation>禁止 BOR</translation>
    </message>
    <message>
        <source>BOR controlled by SBOREN bit of the PCON register</source>
        <translation>由 PCON 寄存器的 SBOREN 位控制 BOR</translation>
    </message>
    <message>
        <source>BOR enabled during operation and disabled in Sleep</source>
        <translation>运行时启用 BOR，休眠时禁止</translation>
    </message>
    <message>
        <source>BOR enabled</source>
        <translation>启用 BOR</translation>
    </message>
    <message>
        <source>IESO: Internal External Switchover mode is enabled</source>
        <translation>IESO: 启用内外时钟切换模式</translation>
    </message>
    <message>
        <source>FCMEN: Fail-Safe Clock Monitor is enabled</source>
        <translation>FCMEN: 启用故障保护时钟监视器</translation>
    </message>
    <message>
        <source>HS oscillator</source>
        <translation>HS 振荡器</translation>
    </message>
    <message>
        <source>EC oscillator/RB4 function on RB4/OSC2/CLKOUT pin</source>
        <translation>EC 振荡器，RB4/OSC2/CLKOUT 引脚作 RB4</translation>
    </message>
    <message>
        <source>Internal RC oscillator/RB4 function on RB4/OSC2/CLKOUT pin</source>
        <translation>内部 RC 振荡器，RB4/OSC2/CLKOUT 引脚作 RB4</translation>
    </message>
    <message>
        <source>Internal RC oscillator/CLKOUT function on RB4/OSC2/CLKOUT...</source>
        <translation>内部 RC 振荡器，RB4/OSC2/CLKOUT 引脚作 CLKOUT...</translation>
    </message>
    <message>
        <source>External RC oscillator/RB4 function on RB4/OSC2/CLKOUT pin</source>
        <translation>外部 RC 振荡器，RB4/OSC2/CLKOUT 引脚作 RB4</translation>
    </message>
    <message>
        <source>External RC oscillator/CLKOUT function on RB4/OSC2/CLKOUT...</source>
        <translation>外部 RC 振荡器，RB4/OSC2/CLKOUT 引脚作 CLKOUT...</translation>
    </message>
    <message>
        <source>MCLRE: RB3/MCLR pin function is MCLR</source>
        <translation>MCLRE: RB3/MCLR 引脚作 MCLR</translation>
    </message>
    <message>
        <source>LP oscillator and 18 ms DRT</source>
        <translation>LP 振荡器，18 ms DRT</translation>
    </message>
    <message>
        <source>XT oscillator and 18 ms DRT</source>
        <translation>XT 振荡器，18 ms DRT</translation>
    </message>
    <message>
        <source>HS oscillator and 18 ms DRT</source>
        <translation>HS 振荡器，18 ms DRT</translation>
    </message>
    <message>
        <source>EC Osc With RB4 and 1.125 ms DRT</source>
        <translation>EC 振荡器，RB4，1.125 ms DRT</translation>
    </message>
    <message>
        <source>INTRC With RB4 and 1.125 ms DRT</source>
        <translation>INTRC，RB4，1.125 ms DRT</translation>
    </message>
    <message>
        <source>INTRC With CLKOUT and 1.125 ms DRT</source>
        <translation>INTRC，CLKOUT，1.125 ms DRT</translation>
    </message>
    <message>
        <source>EXTRC With RB4 and 1.125 ms DRT</source>
        <translation>EXTRC，RB4，1.125 ms DRT</translation>
    </message>
    <message>
        <source>EXTRC With CLKOUT and 1.125 ms DRT</source>
        <translation>EXTRC，CLKOUT，1.125 ms DRT</translation>
    </message>
    <message>
        <source>MCLRE: RB3/MCLR pin functions as MCLR</source>
        <translation>MCLRE: RB3/MCLR 引脚作 MCLR</translation>
    </message>
    <message>
        <source>RC oscillator</source>
        <translation>RC 振荡器</translation>
    </message>
    <message>
        <source>LP oscillator: Low-power crystal on RA6/OSC2/CLKOUT and...</source>
        <translation>LP 振荡器: 低功耗晶体接 RA6/OSC2/CLKOUT，...</translation>
    </message>
    <message>
        <source>XT oscillator: Crystal/resonator on RA6/OSC2/CLKOUT and...</source>
        <translation>XT 振荡器: 晶体/谐振器接 RA6/OSC2/CLKOUT，...</translation>
    </message>
    <message>
        <source>EC: I/O function on RA6/OSC2/CLKOUT pin, CLKIN on...</source>
        <translation>EC: RA6/OSC2/CLKOUT 引脚作 I/O，CLKIN 接...</translation>
    </message>
    <message>
        <source>INTRC oscillator: I/O function on RA6/OSC2/CLKOUT pin...</source>
        <translation>INTRC 振荡器: RA6/OSC2/CLKOUT 引脚作 I/O...</translation>
    </message>
    <message>
        <source>INTRC oscillator: CLKOUT function on RA6/OSC2/CLKOUT pin...</source>
        <translation>INTRC 振荡器: RA6/OSC2/CLKOUT 引脚输出 CLKOUT...</translation>
    </message>
    <message>
        <source>ER oscillator: I/O function on RA6/OSC2/CLKOUT pin...</source>
        <translation>ER 振荡器: RA6/OSC2/CLKOUT 引脚作 I/O...</translation>
    </message>
    <message>
        <source>ER oscillator: CLKOUT function on RA6/OSC2/CLKOUT pin...</source>
        <translation>ER 振荡器: RA6/OSC2/CLKOUT 引脚输出 CLKOUT...</translation>
    </message>
    <message>
        <source>MCLRE: RA5/MCLR pin function is MCLR</source>
        <translation>MCLRE: RA5/MCLR 引脚作 MCLR</translation>
    </message>
    <message>
        <source>BOREN: BOD Reset enabled</source>
        <translation>BOREN: 启用掉电复位</translation>
    </message>
    <message>
        <source>LVP: RB4/PGM pin has PGM function, low-voltage programming...</source>
        <translation>LVP: RB4/PGM 引脚作 PGM，低电压编程...</translation>
    </message>
    <message>
        <source>CPD: Data memory code protected</source>
        <translation>CPD: 数据存储器代码保护</translation>
    </message>
    <message>
        <source>Code protection (CP)</source>
        <translation>代码保护 (CP)</translation>
    </message>
    <message>
        <source>CP</source>
        <translation>CP</translation>
    </message>
    <message>
        <source>0000h-03FFh code protected</source>
        <translation>0000h-03FFh 代码保护</translation>
    </message>
    <message>
        <source>0200h-03FFh code protected</source>
        <translation>0200h-03FFh 代码保护</translation>
    </message>
    <message>
        <source>Program memory code protection off</source>
        <translation>关闭程序存储器代码保护</translation>
    </message>
    <message>
        <source>INTOSC oscillator: I/O function on RA6/OSC2/CLKOUT pin...</source>
        <translation>INTOSC 振荡器: RA6/OSC2/CLKOUT 引脚作 I/O...</translation>
    </message>
    <message>
        <source>INTOSC oscillator: CLKOUT function on RA6/OSC2/CLKOUT...</source>
        <translation>INTOSC 振荡器: RA6/OSC2/CLKOUT 引脚输出 CLKOUT...</translation>
    </message>
    <message>
        <source>RC oscillator: I/O function on RA6/OSC2/CLKOUT pin...</source>
        <translation>RC 振荡器: RA6/OSC2/CLKOUT 引脚作 I/O...</translation>
    </message>
    <message>
        <source>RC oscillator: CLKOUT function on RA6/OSC2/CLKOUT pin...</source>
        <translation>RC 振荡器: RA6/OSC2/CLKOUT 引脚输出 CLKOUT...</translation>
    </message>
    <message>
        <source>MCLRE: RA5/MCLR/VPP pin function is MCLR</source>
        <translation>MCLRE: RA5/MCLR/VPP 引脚作 MCLR</translation>
    </message>
    <message>
        <source>CPD: Data memory code-protected</source>
        <translation>CPD: 数据存储器代码保护</translation>
    </message>
    <message>
        <source>CP: 0000h to 03FFh code-protected</source>
        <translation>CP: 0000h 至 03FFh 代码保护</translation>
    </message>
    <message>
        <source>0000h-07FFh code protected</source>
        <translation>0000h-07FFh 代码保护</translation>
    </message>
    <message>
        <source>0200h-07FFh code protected</source>
        <translation>0200h-07FFh 代码保护</translation>
    </message>
    <message>
        <source>0400h-07FFh code protected</source>
        <translation>0400h-07FFh 代码保护</translation>
    </message>
    <message>
        <source>CP: 0000h to 07FFh code-protected</source>
        <translation>CP: 0000h 至 07FFh 代码保护</translation>
    </message>
    <message>
        <source>LP oscillator: Low power crystal on RA4/OSC2/CLKOUT and...</source>
        <translation>LP 振荡器: 低功耗晶体接 RA4/OSC2/CLKOUT，...</translation>
    </message>
    <message>
        <source>INTOSC oscillator: I/O function on RA4/OSC2/CLKOUT pin...</source>
        <translation>INTOSC 振荡器: RA4/OSC2/CLKOUT 引脚作 I/O...</translation>
    </message>
    <message>
        <source>RC oscillator: I/O function on RA4/OSC2/CLKOUT pin, RC on...</source>
        <translation>RC 振荡器: RA4/OSC2/CLKOUT 引脚作 I/O，RC 接...</translation>
    </message>
    <message>
        <source>RC oscillator: CLKOUT function on RA4/OSC2/CLKOUT pin, RC...</source>
        <translation>RC 振荡器: RA4/OSC2/CLKOUT 引脚输出 CLKOUT...</translation>
    </message>
    <message>
        <source>MCLRE: RA3/MCLR pin function is MCLR</source>
        <translation>MCLRE: RA3/MCLR 引脚作 MCLR</translation>
    </message>
    <message>
        <source>RCIO oscillator: I/O function on RA4/OSC2/CLKOUT pin, RC...</source>
        <translation>RCIO 振荡器: RA4/OSC2/CLKOUT 引脚作 I/O，RC...</translation>
    </message>
    <message>
        <source>CP: 0000h to 0FFFh code-protected</source>
        <translation>CP: 0000h 至 0FFFh 代码保护</translation>
    </message>
    <message>
        <source>BOREN: BOR enabled</source>
        <translation>BOREN: 启用掉电复位</translation>
    </message>
    <message>
        <source>BODENV</source>
        <translation>BODENV</translation>
    </message>
    <message>
        <source>VBOR set to 2.5V</source>
        <translation>VBOR 设为 2.5V</translation>
    </message>
    <message>
        <source>VBOR set to 4.0V</source>
        <translation>VBOR 设为 4.0V</translation>
    </message>
    <message>
        <source>CP: All Memory locations code protected</source>
        <translation>CP: 全部存储器代码保护</translation>
    </message>
    <message>
        <source>EXTCLK; port I/O function on RA6/OSC2/CLKO pin</source>
        <translation>EXTCLK；RA6/OSC2/CLKO 引脚作 I/O</translation>
    </message>
    <message>
        <source>INTRC oscillator; port I/O function on both RA6/OSC2/CLKO...</source>
        <translation>INTRC 振荡器；RA6/OSC2/CLKO 等引脚均作 I/O...</translation>
    </message>
    <message>
        <source>INTRC oscillator; CLKO function on RA6/OSC2/CLKO pin and...</source>
        <translation>INTRC 振荡器；RA6/OSC2/CLKO 引脚输出 CLKO，...</translation>
    </message>
    <message>
        <source>EXTRC oscillator; port I/O function on RA6/OSC2/CLKO pin</source>
        <translation>EXTRC 振荡器；RA6/OSC2/CLKO 引脚作 I/O</translation>
    </message>
    <message>
        <source>EXTRC oscillator; CLKO function on RA6/OSC2/CLKO pin</source>
        <translation>EXTRC 振荡器；RA6/OSC2/CLKO 引脚输出 CLKO</translation>
    </message>
    <message>
        <source>LVP: RB3/PGM pin has PGM function, Low-Voltage Programming...</source>
        <translation>LVP: RB3/PGM 引脚作 PGM，低电压编程...</translation>
    </message>
    <message>
        <source>CPD: Data EE memory locations code-protected</source>
        <translation>CPD: 数据 EE 存储器代码保护</translation>
    </message>
    <message>
        <source>Flash self-write protection (WRT)</source>
        <translation>闪存自写保护 (WRT)</translation>
    </message>
    <message>
        <source>WRT</source>
        <translation>WRT</translation>
    </message>
    <message>
        <source>0000h to 03FFh write-protected</source>
        <translation>0000h 至 03FFh 写保护</translation>
    </message>
    <message>
        <source>0000h to 01FFh write-protected, 0200h to 03FFh may be...</source>
        <translation>0000h 至 01FFh 写保护，0200h 至 03FFh 可由...</translation>
    </message>
    <message>
        <source>Write protection off</source>
        <translation>关闭写保护</translation>
    </message>
    <message>
        <source>DEBUG: In-Circuit Debugger enabled, RB6 and RB7 are dedicated...</source>
        <translation>DEBUG: 启用在线调试器，RB6 和 RB7 专用于...</translation>
    </message>
    <message>
        <source>CCP1 pin (CCPMX)</source>
        <translation>CCP1 引脚 (CCPMX)</translation>
    </message>
    <message>
        <source>CCPMX</source>
        <translation>CCPMX</translation>
    </message>
    <message>
        <source>CCP1 function on RB3</source>
        <translation>CCP1 位于 RB3</translation>
    </message>
    <message>
        <source>CCP1 function on RB2</source>
        <translation>CCP1 位于 RB2</translation>
    </message>
    <message>
        <source>CP: All memory locations code-protected</source>
        <translation>CP: 全部存储器代码保护</translation>
    </message>
    <message>
        <source>0000h to 05FFh write-protected, 0600h to 07FFh may be...</source>
        <translation>0000h 至 05FFh 写保护，0600h 至 07FFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 03FFh write-protected, 0400h to 07FFh may be...</source>
        <translation>0000h 至 03FFh 写保护，0400h 至 07FFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 01FFh write-protected, 0200h to 07FFh may be...</source>
        <translation>0000h 至 01FFh 写保护，0200h 至 07FFh 可由...</translation>
    </message>
    <message>
        <source>PWRTE: Power-up Timer is enabled</source>
        <translation>PWRTE: 启用上电定时器</translation>
    </message>
    <message>
        <source>CP (bits 4-7): All program memory is code protected</source>
        <translation>CP (位 4-7): 全部程序存储器代码保护</translation>
    </message>
    <message>
        <source>CP (bits 8-13): All program memory is code protected</source>
        <translation>CP (位 8-13): 全部程序存储器代码保护</translation>
    </message>
    <message>
        <source>ECIO; port I/O function on RA6/OSC2/CLKO</source>
        <translation>ECIO；RA6/OSC2/CLKO 引脚作 I/O</translation>
    </message>
    <message>
        <source>EXTRC oscillator; port I/O function on RA6/OSC2/CLKO</source>
        <translation>EXTRC 振荡器；RA6/OSC2/CLKO 引脚作 I/O</translation>
    </message>
    <message>
        <source>EXTRC oscillator; CLKO function on RA6/OSC2/CLKO</source>
        <translation>EXTRC 振荡器；RA6/OSC2/CLKO 引脚输出 CLKO</translation>
    </message>
    <message>
        <source>CPD: Data EE memory code-protected</source>
        <translation>CPD: 数据 EE 存储器代码保护</translation>
    </message>
    <message>
        <source>0000h to 0FFFh write-protected</source>
        <translation>0000h 至 0FFFh 写保护</translation>
    </message>
    <message>
        <source>0000h to 07FFh write-protected, 0800h to 0FFFh may be...</source>
        <translation>0000h 至 07FFh 写保护，0800h 至 0FFFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 00FFh write-protected, 0100h to 0FFFh may be...</source>
        <translation>0000h 至 00FFh 写保护，0100h 至 0FFFh 可由...</translation>
    </message>
    <message>
        <source>CCP1 function on RB0</source>
        <translation>CCP1 位于 RB0</translation>
    </message>
    <message>
        <source>CP: 0000h to 0FFFh code-protected (all protected)</source>
        <translation>CP: 0000h 至 0FFFh 代码保护 (全部保护)</translation>
    </message>
    <message>
        <source>Configuration word 2, bytes 2-3; erased value 3FFFH.</source>
        <translation>配置字 2，字节 2-3；擦除值 3FFFH。</translation>
    </message>
    <message>
        <source>CP (bits 4-5): All memory code protected</source>
        <translation>CP (位 4-5): 全部存储器代码保护</translation>
    </message>
    <message>
        <source>CP (bits 12-13): All memory code protected</source>
        <translation>CP (位 12-13): 全部存储器代码保护</translation>
    </message>
    <message>
        <source>LVP: RB3/PGM pin has PGM function; low-voltage programming...</source>
        <translation>LVP: RB3/PGM 引脚作 PGM，低电压编程...</translation>
    </message>
    <message>
        <source>CPD: Data EEPROM memory code-protected</source>
        <translation>CPD: 数据 EEPROM 代码保护</translation>
    </message>
    <message>
        <source>Unprotected program memory may not be written to by EECON...</source>
        <translation>未保护的程序存储器不可由 EECON 写入...</translation>
    </message>
    <message>
        <source>Unprotected program memory may be written to by EECON...</source>
        <translation>未保护的程序存储器可由 EECON 写入...</translation>
    </message>
    <message>
        <source>Code protection (CP) (bits 4-5)</source>
        <translation>代码保护 (CP) (位 4-5)</translation>
    </message>
    <message>
        <source>0000h to 0FFFh code protected</source>
        <translation>0000h 至 0FFFh 代码保护</translation>
    </message>
    <message>
        <source>0800h to 0FFFh code protected</source>
        <translation>0800h 至 0FFFh 代码保护</translation>
    </message>
    <message>
        <source>0F00h to 0FFFh code protected</source>
        <translation>0F00h 至 0FFFh 代码保护</translation>
    </message>
    <message>
        <source>Code protection off</source>
        <translation>关闭代码保护</translation>
    </message>
    <message>
        <source>Code protection (CP) (bits 12-13)</source>
        <translation>代码保护 (CP) (位 12-13)</translation>
    </message>
    <message>
        <source>WRT: Unprotected program memory may be written to by EECON...</source>
        <translation>WRT: 未保护的程序存储器可由 EECON 写入...</translation>
    </message>
    <message>
        <source>CPD: Data EEPROM code-protected</source>
        <translation>CPD: 数据 EEPROM 代码保护</translation>
    </message>
    <message>
        <source>0000h to 07FFh write-protected; 0800h to 0FFFh may be...</source>
        <translation>0000h 至 07FFh 写保护，0800h 至 0FFFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 03FFh write-protected; 0400h to 0FFFh may be...</source>
        <translation>0000h 至 03FFh 写保护，0400h 至 0FFFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 00FFh write-protected; 0100h to 0FFFh may be...</source>
        <translation>0000h 至 00FFh 写保护，0100h 至 0FFFh 可由...</translation>
    </message>
    <message>
        <source>Write protection off; all program memory may be written...</source>
        <translation>关闭写保护；全部程序存储器均可写入...</translation>
    </message>
    <message>
        <source>CP: All program memory code-protected</source>
        <translation>CP: 全部程序存储器代码保护</translation>
    </message>
    <message>
        <source>0000h to 1FFFh code protected</source>
        <translation>0000h 至 1FFFh 代码保护</translation>
    </message>
    <message>
        <source>1000h to 1FFFh code protected</source>
        <translation>1000h 至 1FFFh 代码保护</translation>
    </message>
    <message>
        <source>1F00h to 1FFFh code protected</source>
        <translation>1F00h 至 1FFFh 代码保护</translation>
    </message>
    <message>
        <source>0000h to 0FFFh write-protected; 1000h to 1FFFh may be...</source>
        <translation>0000h 至 0FFFh 写保护，1000h 至 1FFFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 07FFh write-protected; 0800h to 1FFFh may be...</source>
        <translation>0000h 至 07FFh 写保护，0800h 至 1FFFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 00FFh write-protected; 0100h to 1FFFh may be...</source>
        <translation>0000h 至 00FFh 写保护，0100h 至 1FFFh 可由...</translation>
    </message>
    <message>
        <source>INTOSCIO oscillator: I/O function on RA6/OSC2/CLKOUT pin...</source>
        <translation>INTOSCIO 振荡器: RA6/OSC2/CLKOUT 引脚作 I/O...</translation>
    </message>
    <message>
        <source>RCIO oscillator: I/O function on RA6/OSC2/CLKOUT pin, RC...</source>
        <translation>RCIO 振荡器: RA6/OSC2/CLKOUT 引脚作 I/O，RC...</translation>
    </message>
    <message>
        <source>RC oscillator: CLKOUT function on RA6/OSC2/CLKOUT pin, RC...</source>
        <translation>RC 振荡器: RA6/OSC2/CLKOUT 引脚输出 CLKOUT...</translation>
    </message>
    <message>
        <source>MCLRE: RE3/MCLR pin function is MCLR</source>
        <translation>MCLRE: RE3/MCLR 引脚作 MCLR</translation>
    </message>
    <message>
        <source>IESO: Internal/External Switchover mode is enabled</source>
        <translation>IESO: 启用内外时钟切换模式</translation>
    </message>
    <message>
        <source>LVP: RB3/PGM pin has PGM function, low voltage programming...</source>
        <translation>LVP: RB3/PGM 引脚作 PGM，低电压编程...</translation>
    </message>
    <message>
        <source>DEBUG: In_Circuit Debugger enabled, RB6/ICSPCLK and...</source>
        <translation>DEBUG: 启用在线调试器，RB6/ICSPCLK 和...</translation>
    </message>
    <message>
        <source>BOR4V</source>
        <translation>BOR4V</translation>
    </message>
    <message>
        <source>Brown-out Reset set to 2.1V</source>
        <translation>掉电复位电压 2.1V</translation>
    </message>
    <message>
        <source>Brown-out Reset set to 4.0V</source>
        <translation>掉电复位电压 4.0V</translation>
    </message>
    <message>
        <source>0000h to 03FFh write protected, 0400h to 07FFh may be...</source>
        <translation>0000h 至 03FFh 写保护，0400h 至 07FFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 00FFh write protected, 0100h to 07FFh may be...</source>
        <translation>0000h 至 00FFh 写保护，0100h 至 07FFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 07FFh write protected, 0800h to 0FFFh may be...</source>
        <translation>0000h 至 07FFh 写保护，0800h 至 0FFFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 03FFh write protected, 0400h to 0FFFh may be...</source>
        <translation>0000h 至 03FFh 写保护，0400h 至 0FFFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 00FFh write protected, 0100h to 0FFFh may be...</source>
        <translation>0000h 至 00FFh 写保护，0100h 至 0FFFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 0FFFh write protected, 1000h to 1FFFh may be...</source>
        <translation>0000h 至 0FFFh 写保护，1000h 至 1FFFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 07FFh write protected, 0800h to 1FFFh may be...</source>
        <translation>0000h 至 07FFh 写保护，0800h 至 1FFFh 可由...</translation>
    </message>
    <message>
        <source>0000h to 00FFh write protected, 0100h to 1FFFh may be...</source>
        <translation>0000h 至 00FFh 写保护，0100h 至 1FFFh 可由...</translation>
    </message>
    <message>
        <source>Security byte; a ticked option is programmed (0).</source>
        <translation>加密字节；勾选的选项被编程 (0)。</translation>
    </message>
    <message>
        <source>Lock bit: flash and LDROM cannot be read back</source>
        <translation>锁定位: 闪存和 LDROM 不能读出</translation>
    </message>
    <message>
        <source>MOVC inhibit: external MOVC cannot read internal code</source>
        <translation>MOVC 禁止: 外部 MOVC 不能读取内部代码</translation>
    </message>
    <message>
        <source>Encryption: data read from the flash is scrambled</source>
        <translation>加密: 从闪存读出的数据被打乱</translation>
    </message>
</context>
<context>
    <name>vantor::ui::Buttons</name>
    <message>
        <source>&amp;OK</source>
        <translation>确定(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>取消(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>关闭(&amp;C)</translation>
    </message>
</context>
<context>
    <name>vantor::ui::ConfigDeviceDialog</name>
    <message>
        <source>Config</source>
        <translation>配置</translation>
    </message>
    <message>
        <source>Page %1</source>
        <translation>第 %1 页</translation>
    </message>
    <message>
        <source>&amp;Default</source>
        <translation>默认值(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>确定(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>取消(&amp;C)</translation>
    </message>
    <message>
        <source> A serial programmer cannot change this bit.</source>
        <translation> 串行编程器无法修改此位。</translation>
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
    <name>vantor::ui::EditBufferDialog</name>
    <message>
        <source>Read Only</source>
        <translation>只读</translation>
    </message>
    <message>
        <source>Edit Buffer</source>
        <translation>编辑缓冲区</translation>
    </message>
    <message>
        <source>Memory areas</source>
        <translation>存储区</translation>
    </message>
    <message>
        <source>8 bit</source>
        <translation>8 位</translation>
    </message>
    <message>
        <source>16 bit</source>
        <translation>16 位</translation>
    </message>
    <message>
        <source>Addr Format</source>
        <translation>地址格式</translation>
    </message>
    <message>
        <source>Data Format</source>
        <translation>数据格式</translation>
    </message>
</context>
<context>
    <name>vantor::ui::HexViewWidget</name>
    <message>
        <source>Buffer contents</source>
        <translation>缓冲区内容</translation>
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
        <source>Programmer model: %1</source>
        <translation>编程器型号: %1</translation>
    </message>
    <message>
        <source>Connection mode: %1</source>
        <translation>连接模式: %1</translation>
    </message>
    <message>
        <source>Bytes</source>
        <translation>字节</translation>
    </message>
    <message>
        <source>Words</source>
        <translation>字</translation>
    </message>
    <message>
        <source>The manual is missing: %1
please reinstall the application</source>
        <translation>找不到使用手册: %1
请重新安装应用程序</translation>
    </message>
    <message>
        <source>No program to show web pages was found. The manual is at:
%1
Open it in a web browser.</source>
        <translation>找不到可以显示网页的程序。使用手册位于:
%1
请用网页浏览器打开。</translation>
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
    <name>vantor::ui::OperateSettingsDialog</name>
    <message>
        <source>Operate Settings</source>
        <translation>操作设置</translation>
    </message>
    <message>
        <source>Check Device ID</source>
        <translation>检查器件ID</translation>
    </message>
    <message>
        <source>Auto Reload File of Modified</source>
        <translation>文件修改后自动重新加载</translation>
    </message>
    <message>
        <source>Play Sound</source>
        <translation>播放声音</translation>
    </message>
    <message>
        <source>Ignore 0xFF</source>
        <translation>忽略 0xFF</translation>
    </message>
    <message>
        <source>Program Range</source>
        <translation>编程范围</translation>
    </message>
    <message>
        <source>Auto Program Item</source>
        <translation>自动编程项目</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>确定(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>取消(&amp;C)</translation>
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
<context>
    <name>vantor::ui::SelectDeviceDialog</name>
    <message>
        <source>Select Device</source>
        <translation>选择器件</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation>搜索(&amp;S)</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Vendor</source>
        <translation>厂商</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>器件</translation>
    </message>
    <message>
        <source>Vendor logo</source>
        <translation>厂商标志</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>确定(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>取消(&amp;C)</translation>
    </message>
</context>
<context>
    <name>vantor::ui::Strings</name>
    <message>
        <source>Disconnect mode</source>
        <translation>脱机模式</translation>
    </message>
</context>
<context>
    <name>vantor::ui::ToolDialog</name>
    <message>
        <source>Location</source>
        <translation>定位</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>地址:</translation>
    </message>
    <message>
        <source>Start Address:</source>
        <translation>起始地址:</translation>
    </message>
    <message>
        <source>End Address:</source>
        <translation>结束地址:</translation>
    </message>
    <message>
        <source>Destination Address:</source>
        <translation>目标地址:</translation>
    </message>
    <message>
        <source>From:</source>
        <translation>从:</translation>
    </message>
    <message>
        <source>To:</source>
        <translation>到:</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>数据</translation>
    </message>
    <message>
        <source>Constant byte(8bit)</source>
        <translation>常数字节(8位)</translation>
    </message>
    <message>
        <source>Constant word(16bit)</source>
        <translation>常数字(16位)</translation>
    </message>
    <message>
        <source>Random values</source>
        <translation>随机数</translation>
    </message>
    <message>
        <source>Sequential bytes(8bit)</source>
        <translation>递增字节(8位)</translation>
    </message>
    <message>
        <source>Sequential words(16bit)</source>
        <translation>递增字(16位)</translation>
    </message>
    <message>
        <source>Byte:</source>
        <translation>字节:</translation>
    </message>
    <message>
        <source>Word:</source>
        <translation>字:</translation>
    </message>
</context>
</TS>
