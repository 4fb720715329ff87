#pragma once

// Command identifiers of the main window: menus, toolbar, "&Operate" entries, history and
// recent-file entries. The numbers name the window's actions ("command%1") and stay fixed.
namespace vantor::cmd {

inline constexpr int LoadFile = 32781;
inline constexpr int SaveFile = 57603;
inline constexpr int RecentFirst = 57616;  // recent file 1 ... 4
inline constexpr int Exit = 57665;
inline constexpr int DataBuffer = 32772;
inline constexpr int ClearInfo = 32810;
inline constexpr int SelectDevice = 32771;
inline constexpr int History = 32813;      // + history entry n (1 ... 4)
inline constexpr int HistoryNone = 32819;  // the inert "History Device" item
inline constexpr int Config = 32770;
inline constexpr int Information = 32812;
inline constexpr int Settings = 32789;
inline constexpr int AutoProgram = 32774;
inline constexpr int Reconnect = 1061;
inline constexpr int TestHardware = 32830;
inline constexpr int Upgrade = 32809;
inline constexpr int Content = 32831;
inline constexpr int About = 57664;
inline constexpr int English = 32846;
inline constexpr int Chinese = 32845;

// "&Operate" entries. Read Cal. Byte has no command of its own: it shares Write Cal. Byte's.
inline constexpr int Program = 32775;
inline constexpr int Read = 32776;
inline constexpr int Verify = 32777;
inline constexpr int Blank = 32778;
inline constexpr int WriteCal = 32779;
inline constexpr int WriteFuse = 32780;
inline constexpr int ReadFuse = 32793;
inline constexpr int Protect = 32792;
inline constexpr int ProtectAlias = 32783;  // a second command for Protect
inline constexpr int ReadLock = 32784;
inline constexpr int WriteConfig = 32786;
inline constexpr int ReadConfig = 32787;
inline constexpr int Erase = 32790;
inline constexpr int BootLock = 32791;

}  // namespace vantor::cmd
