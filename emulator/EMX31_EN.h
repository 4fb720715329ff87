/*
 * EMX31_EN: the debugger driver of the EMX31 8051 in-circuit emulator.
 *
 * This is the header a debugger host compiles against. Every record the host and the driver
 * share is laid out here. On 32-bit Windows (and any other target with 32-bit pointers) the
 * layouts are exactly those the host interface fixes: the static_asserts at the end prove the
 * offsets. On 64-bit platforms every pointer field is pointer-sized, so offsets behind a pointer
 * move; a 64-bit host must be compiled against this header, never against hand-counted offsets.
 *
 * The host owns every buffer it passes; the driver reads and writes it only during the call
 * and only within the sizes stated here.
 */
#ifndef VANTOR_EMX31_EN_H
#define VANTOR_EMX31_EN_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(EMX31_EN_BUILDING)
#define EMX31_API __declspec(dllexport)
#else
#define EMX31_API __declspec(dllimport)
#endif
#else
#define EMX31_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- AG_Init codes: group in the high byte, item in the low byte ---- */
#define AG_INIT_START_SESSION    0x0100u /* any item of group 0x01 */
#define AG_INIT_FEATURE_FIRST    0x0201u
#define AG_INIT_FEATURE_LAST     0x0207u
#define AG_INIT_EXT_MENU         0x0307u
#define AG_INIT_DIALOG_UPDATE    0x0308u
#define AG_INIT_DIALOG_SLOT      0x0309u
#define AG_INIT_HOST_WINDOW      0x030Au
#define AG_INIT_ACCEPTED_0B      0x030Bu
#define AG_INIT_BREAKPOINTS      0x030Eu
#define AG_INIT_PC_SLOT          0x030Fu
#define AG_INIT_HOST_MESSAGE     0x0311u
#define AG_INIT_HOST_CALLBACK    0x0312u
#define AG_INIT_PREPARE_DOWNLOAD 0x0313u
#define AG_INIT_PROGRAM_VERIFY   0x0314u
#define AG_INIT_FILL_CODE        0x0321u
#define AG_INIT_CACHE_CODE       0x0322u
#define AG_INIT_END_SESSION      0x040Cu
#define AG_INIT_RESET            0x040Du
/* Not part of the host interface: installs EMX31_HostHooks (the pointer argument). */
#define AG_INIT_EMX31_HOOKS 0x0330u

/* ---- AG_GoStep codes ---- */
#define AG_GOSTEP_STOP  1u
#define AG_GOSTEP_STEP  2u
#define AG_GOSTEP_GO_TO 3u
#define AG_GOSTEP_GO    4u

/* ---- AG_MemAcc codes and results ---- */
#define AG_MEM_READ         1u
#define AG_MEM_WRITE        2u
#define AG_MEM_WRITE_CODE   3u
#define AG_MEM_READ_CODE    4u
#define AG_MEM_OK           0u
#define AG_MEM_REFUSED      1u /* running (feature bit 0 clear) or link failed */
#define AG_MEM_READ_FAILED  2u
#define AG_MEM_BAD_CODE     3u
#define AG_MEM_WRITE_FAILED 5u

/* ---- AG_RegAcc register numbers ---- */
#define AG_REG_R0   0x00u /* ... 0x07 R7 */
#define AG_REG_A    0x14u
#define AG_REG_DPTR 0x18u
#define AG_REG_PC   0x500u

/* ---- host address form: space in bits 31..24, bank 23..16, offset 15..0 ---- */
#define AG_SPACE_XDATA            0x01u
#define AG_SPACE_PDATA            0xFEu
#define AG_SPACE_DATA             0xF0u /* direct: 0x00..0x7F RAM, 0x80..0xFF SFR */
#define AG_SPACE_IDATA            0xF3u
#define AG_SPACE_CODE             0xFFu
#define AG_CODE_TAG               0xFF000000u
#define AG_ADDRESS(space, offset) ((((uint32_t)(space)) << 24) | ((uint32_t)(offset)&0xFFFFFFu))

/* ---- host callback codes ---- */
#define AG_CB_PROGRESS      2u
#define AG_CB_REGISTER_PANE 3u
#define AG_CB_BP_COMMAND    4u
#define AG_CB_STOPPED       5u
#define AG_CB_SHADOW_MAP    12u
#define AG_CB_NEXT_BLOCK    15u

/* ---- messages to the host window: wParam kinds ---- */
#define AG_MSG_TEXT      12u /* lParam: text */
#define AG_MSG_DOWNLOAD  6u  /* lParam: text */
#define AG_MSG_SERIAL    3u  /* lParam: AG_SerialRecord* */
#define AG_MSG_LINK_LOST 5u  /* posted, lParam 0 */

/* ---- shadow attribute word bits ---- */
#define AG_ATTR_BP_ENABLED  0x0008u
#define AG_ATTR_BP_REPORTED 0x0010u
#define AG_ATTR_BP_DISABLED 0x0040u
#define AG_ATTR_CACHED      0x8000u

/* ---- breakpoint record flags ---- */
#define AG_BP_KIND_MASK   0x0Fu
#define AG_BP_KIND_EXEC   0u
#define AG_BP_KIND_COND   1u
#define AG_BP_KIND_ACCESS 2u
#define AG_BP_ENABLED     0x10u

#define AG_FAMILY_8051 8051u

/* Host byte offset of the option text in the host target record (EnumUv351, AG_Init 0x040C). */
#define AG_TARGET_OPTION_OFFSET 1300u
/* Capacity the host provides for an option text, terminating zero included. The driver reads
 * no further than this and writes at most this many bytes. */
#define AG_OPTION_TEXT_SIZE 256u

#define AG_SHADOW_PAGES 514u

/* Host callback: code and pointer, pointer-sized result. */
typedef intptr_t (*AG_HostCallback)(uint32_t code, void *pointer);

/* Host breakpoint record (the host's list, first record through AG_INIT_BREAKPOINTS). */
typedef struct AG_Breakpoint {
    struct AG_Breakpoint *next; /* 0 */
    uint32_t reserved4;         /* 4 (on 32-bit targets) */
    uint32_t flags;             /* 8: kind in bits 0..3, AG_BP_ENABLED */
    uint32_t address;           /* 12: host address form */
    uint8_t reserved16[24];     /* 16 */
    uint32_t passCount;         /* 40 */
    uint8_t reserved44[8];      /* 44 */
    const char *command;        /* 52: command text or null */
} AG_Breakpoint;

/* Address record of AG_MemAcc: address in host form, failing address written by the driver. */
typedef struct AG_AddressRecord {
    uint32_t address;
    uint32_t failing;
} AG_AddressRecord;

/* Record of AG_MemAtt: code 2 replaces the address by a pointer to its attribute word. */
typedef struct AG_AttributeRecord {
    union {
        uint32_t address;
        uint16_t *attribute;
    } u;
    uint32_t word1;
} AG_AttributeRecord;

/* One page of the host's shadow memory: a data byte and a 16-bit attribute word per offset.
 * Code and external data pages (0..511) hold 65536 offsets, pages 512 and 513 hold 256. */
typedef struct AG_ShadowPage {
    uint8_t *data;
    uint16_t *attributes;
} AG_ShadowPage;

typedef struct AG_ShadowMap {
    AG_ShadowPage pages[AG_SHADOW_PAGES];
} AG_ShadowMap;

/* Download block returned by host callback 15; length 0 ends the chain. */
typedef struct AG_DownloadBlock {
    uint32_t start;
    uint32_t length;
    const uint8_t *data;
    uint32_t total;
} AG_DownloadBlock;

/* Progress record handed to host callback 2. */
#define AG_PROGRESS_START    1u
#define AG_PROGRESS_FINISHED 2u
#define AG_PROGRESS_STEP     3u
typedef struct AG_ProgressRecord {
    uint32_t state;
    uint32_t done;
    uint32_t zero;
    uint32_t total;
    const char *text;
} AG_ProgressRecord;

/* Serial record sent with message kind 3. */
typedef struct AG_SerialRecord {
    uint32_t channel;
    uint32_t count;
    uint32_t reserved8;
    uint32_t reserved12;
    const void *data;
} AG_SerialRecord;

/* Register pane (host callback 3). Group entries and item records are packed. */
#pragma pack(push, 1)
typedef struct AG_RegGroup {
    uint8_t zero;
    uint8_t one;
    const char *name;
} AG_RegGroup;

typedef struct AG_RegItem {
    uint8_t one;          /* 0 */
    uint8_t group;        /* 1 */
    uint8_t zero;         /* 2 */
    uint16_t id;          /* 3 */
    char name[16];        /* 5 */
    uint8_t isPc;         /* 21 */
    uint8_t one22;        /* 22 */
    uint8_t valueChanged; /* 23 */
    uint8_t textUpdated;  /* 24 */
    char text[32];        /* 25 */
    uint32_t lastValue;   /* 57 */
    uint32_t cleared;     /* 61 */
} AG_RegItem;
#pragma pack(pop)

/* Read: code with top four bits 0x8 refreshes the pane, 0x4 does nothing, others format the
 * item. Write: the new value is read from `value` (1, 2 or 4 bytes, little-endian, by item). */
typedef void (*AG_RegRead)(AG_RegItem *item, uint32_t code);
typedef uint32_t (*AG_RegWrite)(AG_RegItem *item, const uint8_t *value);

typedef struct AG_RegPane {
    uint32_t groupCount;
    uint32_t itemCount;
    const AG_RegGroup *groups;
    AG_RegItem *items;
    AG_RegRead read;
    AG_RegWrite write;
} AG_RegPane;

/* Record of DllUv3Cap: a pointer to the option text buffer (AG_OPTION_TEXT_SIZE bytes). */
typedef struct AG_CapRecord {
    uint8_t reserved[20];
    char *optionText;
} AG_CapRecord;

/* Host target record of EnumUv351: option text at byte AG_TARGET_OPTION_OFFSET. */
typedef struct AG_TargetRecord {
    uint8_t reserved[AG_TARGET_OPTION_OFFSET];
    char optionText[AG_OPTION_TEXT_SIZE];
} AG_TargetRecord;

/* Extension menu entry (AG_Init 0x0307). */
typedef struct AG_MenuEntry {
    int32_t delimiter;
    const char *caption;
    void (*handler)(void);
    uint32_t zero1;
    uint32_t zero2;
    const void *dialog;
} AG_MenuEntry;

/* ---- host hooks (EMX31 extension, AG_Init 0x0330) ----
 * A Windows build shows message boxes and sends window messages itself. Elsewhere there is no
 * window system the driver could own, so a host installs these hooks; without them, message
 * texts go to standard error and questions take their default answer. Installed hooks are used
 * on every platform. `style` uses the Windows MB_* values (MB_YESNO 0x4, MB_ICONERROR 0x10,
 * MB_ICONQUESTION 0x20, MB_ICONWARNING 0x30); the answer uses IDOK 1, IDYES 6, IDNO 7. */
#define EMX31_MB_OK           0x00u
#define EMX31_MB_YESNO        0x04u
#define EMX31_MB_ICONERROR    0x10u
#define EMX31_MB_ICONQUESTION 0x20u
#define EMX31_MB_ICONWARNING  0x30u
#define EMX31_IDOK            1
#define EMX31_IDYES           6
#define EMX31_IDNO            7

/* The target settings dialog as a form the host shows in its own way. The functions work on
 * the driver's dialog state (`dialog`); selecting a maker refills the chip list and selects its
 * first chip; the maker and chip controls are disabled while the adapter box is checked. */
typedef struct EMX31_SettingsForm {
    uint32_t size;
    const char *caption;
    const char *haltLabel;    /* check box 5002 */
    const char *haltNote;     /* message 5017 */
    const char *adapterLabel; /* check box 5007 */
    const char *makerLabel;
    const char *chipLabel;
    const char *information; /* identification text */
    void *dialog;
    int (*halt)(void *dialog);
    void (*setHalt)(void *dialog, int checked);
    int (*adapter)(void *dialog);
    void (*setAdapter)(void *dialog, int checked);
    int (*chipControlsEnabled)(void *dialog);
    int (*makerCount)(void *dialog);
    const char *(*makerName)(void *dialog, int index);
    int (*maker)(void *dialog);
    void (*selectMaker)(void *dialog, int index);
    int (*chipCount)(void *dialog);
    const char *(*chipName)(void *dialog, int index);
    int (*chip)(void *dialog);
    void (*selectChip)(void *dialog, int index);
} EMX31_SettingsForm;

typedef struct EMX31_HostHooks {
    uint32_t size; /* sizeof(EMX31_HostHooks) */
    void *context;
    int (*messageBox)(void *context, const char *text, const char *caption, uint32_t style);
    intptr_t (*sendMessage)(void *context, uintptr_t window, uint32_t message, uintptr_t kind, intptr_t lParam);
    void (*postMessage)(void *context, uintptr_t window, uint32_t message, uintptr_t kind, intptr_t lParam);
    /* Returns 1 for OK, 0 for Cancel. Null: the dialog is cancelled. */
    int (*settingsDialog)(void *context, const EMX31_SettingsForm *form);
} EMX31_HostHooks;

/* ---- the entry points ---- */
EMX31_API uint32_t AG_Init(uint32_t code, void *pointer);
EMX31_API uint32_t AG_MemAcc(uint32_t code, uint8_t *buffer, AG_AddressRecord *address, uint32_t count);
EMX31_API uint32_t AG_RegAcc(uint32_t code, uint32_t reg, uint32_t *value);
EMX31_API uint32_t AG_AllReg(uint32_t code, void *pointer);
EMX31_API uint32_t AG_MemAtt(uint32_t code, uint32_t attributes, AG_AttributeRecord *record);
EMX31_API uint32_t AG_BpInfo(uint32_t code, uint32_t *address);
EMX31_API AG_Breakpoint *AG_BreakFunc(uint32_t code, uint32_t n, uint32_t *address, AG_Breakpoint *record);
EMX31_API uint32_t AG_GoStep(uint32_t code, uint32_t count, uint32_t *address);
EMX31_API uint32_t AG_Serial(uint32_t code, uint32_t channel, uint32_t count, const void *data);
EMX31_API uint32_t AG_HistFunc(uint32_t code, int32_t index, int32_t direction, void *pointer);
EMX31_API uint32_t DllUv3Cap(uint32_t code, AG_CapRecord *record);
EMX31_API uint32_t EnumUv351(AG_TargetRecord *record, uint32_t code);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* The layouts of the host interface, checked where pointers are 32 bits wide. */
#if defined(__cplusplus)
#define AG_LAYOUT_ASSERT(e, m) static_assert(e, m)
#else
#define AG_LAYOUT_ASSERT(e, m) _Static_assert(e, m)
#endif
#if UINTPTR_MAX == 0xFFFFFFFFu
AG_LAYOUT_ASSERT(offsetof(AG_Breakpoint, flags) == 8, "breakpoint flags at 8");
AG_LAYOUT_ASSERT(offsetof(AG_Breakpoint, address) == 12, "breakpoint address at 12");
AG_LAYOUT_ASSERT(offsetof(AG_Breakpoint, passCount) == 40, "pass count at 40");
AG_LAYOUT_ASSERT(offsetof(AG_Breakpoint, command) == 52, "command text at 52");
AG_LAYOUT_ASSERT(sizeof(AG_AddressRecord) == 8, "address record is two words");
AG_LAYOUT_ASSERT(sizeof(AG_AttributeRecord) == 8, "attribute record is two words");
AG_LAYOUT_ASSERT(sizeof(AG_ShadowPage) == 8, "shadow entry is two pointers");
AG_LAYOUT_ASSERT(sizeof(AG_ShadowMap) == 514 * 8, "shadow map has 514 entries");
AG_LAYOUT_ASSERT(sizeof(AG_DownloadBlock) == 16, "download block is four words");
AG_LAYOUT_ASSERT(offsetof(AG_ProgressRecord, text) == 16 && sizeof(AG_ProgressRecord) == 20, "progress record");
AG_LAYOUT_ASSERT(offsetof(AG_SerialRecord, data) == 16 && sizeof(AG_SerialRecord) == 20, "serial record");
AG_LAYOUT_ASSERT(sizeof(AG_RegGroup) == 6, "register group entry is 6 bytes");
AG_LAYOUT_ASSERT(sizeof(AG_RegItem) == 65, "register item is 65 bytes");
AG_LAYOUT_ASSERT(offsetof(AG_RegItem, id) == 3 && offsetof(AG_RegItem, name) == 5, "item id and name");
AG_LAYOUT_ASSERT(offsetof(AG_RegItem, isPc) == 21 && offsetof(AG_RegItem, valueChanged) == 23, "item flags");
AG_LAYOUT_ASSERT(offsetof(AG_RegItem, text) == 25 && offsetof(AG_RegItem, lastValue) == 57, "item value");
AG_LAYOUT_ASSERT(offsetof(AG_RegItem, cleared) == 61, "item cleared word");
AG_LAYOUT_ASSERT(sizeof(AG_RegPane) == 24, "register pane is six words");
AG_LAYOUT_ASSERT(offsetof(AG_CapRecord, optionText) == 20, "option text pointer at 20");
AG_LAYOUT_ASSERT(offsetof(AG_TargetRecord, optionText) == 1300, "option text at 1300");
AG_LAYOUT_ASSERT(sizeof(AG_MenuEntry) == 24, "menu entry is six words");
#endif

#endif /* VANTOR_EMX31_EN_H */
