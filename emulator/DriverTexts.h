#pragma once
// Message ids and texts of the driver's string table (English, as users know them).

namespace vantor::emx31::msg {

struct Text {
    int id;
    const char *text;
};

inline constexpr Text HaltNeeds003B{5006, "The halt has enabled, but the Code 0x003b not reserved for the use of "
                                          "simulators.\r\n Whether to cancel  the halt function and continue??"};
inline constexpr Text NoAdapter{5008,
                                "Cann't find the Debug Adapter(PRB31)! Please connect the adapter and try again!"};
inline constexpr Text HaltDisabled{
    5012,
    "The halt function isn't enable, can't stop the emulator, \nClick OK to reset the EMX31, or Cancel to ingore."};
inline constexpr Text ChipSizeExceeded{5013, "Code size has exceeded the limit of the chip %s."};
inline constexpr Text NotDetected{5014, "EMX31 is not detected!\r\nPlease connect the board and try again!"};
inline constexpr Text EmulatorSizeExceeded{5016, "Code size has exceeded the limit of the EMX31(max. 63K)"};
inline constexpr Text HaltNote{
    5017, "When this option has been enabled, three bytes at the interrupt vector location C:0x003b are modified by "
          "EMX31. You must ensure that the user program does not use these code locations."};
inline constexpr Text Firmware{5018, "Firmware: V%d.%d%d\r\nPSN: %d%d%d%d%d%d%d%d\r\n"};
inline constexpr Text NotConnected{5019, "The Tarvik EMX31 is not connected.\r\n"};
inline constexpr Text Imprint{5020, "Tarvik Technology, EMX31 8051 In-Circuit Emulator/Programmer.\r\n"};
inline constexpr Text HaltFailed{5021,
                                 "Failed to halt running. \n\n(This will happen, if the user disable the interrrupt, "
                                 "such as EA=0.)\n\n) Whether or not to reset emulator and make it stop?\n"};
inline constexpr Text AdapterWriteFailed{5023, "Code download failed, the Debug Adapter (PRB31) Flash write failure."};
inline constexpr Text AdapterTimeout{5025, "Error, the Debug Adapter(PRB31) respond timeout."};
inline constexpr Text Communication{5027, "EMX31 Commucation error."};
inline constexpr Text AdapterInitFailed{5028, "Error, Failed to Initialize Debug Adapter(PRB31)."};
inline constexpr Text UserDataFailed{5029, "Error, Failed to update user data."};
inline constexpr Text OperationFailed{5030, "Error, the emulator operation failed."};

inline constexpr const char *kErrorCaption = "EMX31 Notice!";
inline constexpr const char *kNoticeCaption = "EMX31 Notice";
inline constexpr const char *kBanner = "Tarvik EMX31 Emulator/Programmer\n";
inline constexpr const char *kDialogCaption = "Tarvik EMX31 Emulator/Programmer  V1.00";

}  // namespace vantor::emx31::msg
