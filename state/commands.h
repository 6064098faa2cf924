// Command, control and resource numbers, shared by the core and the resource
// script. Menu items are CMD_…, controls IDC_…, resources by kind.
#pragma once

// Menu items
constexpr int CMD_ADD_WAV = 100;
constexpr int CMD_LOAD_KVF = 200;
constexpr int CMD_HELP_FILES = 500;
constexpr int CMD_PLAY_EXTERNAL = 1100;
constexpr int CMD_EXPORT_CURRENT = 1200;
constexpr int CMD_EXPORT_ALL = 1700;
constexpr int CMD_SAVE_AS_PCM = 3600;
constexpr int CMD_SAVE_AS_ORG = 3700;
constexpr int CMD_NEW_KVF = 3800;
constexpr int CMD_SHARE_CURRENT = 4000;
constexpr int CMD_EXPORT_EXTERNAL = 4100;
constexpr int CMD_SAVE_IN_DOCUMENTS = 4150;
constexpr int CMD_SAVE_IN_DEFAULT = 4200;
constexpr int CMD_QUICK_START = 4250;

// Controls
constexpr int IDC_EXPORT_NAME = 300;
constexpr int IDC_EXPORT_BUTTON = 900;
constexpr int IDC_NEXT = 1300;
constexpr int IDC_PREVIOUS = 1400;
constexpr int IDC_REPLAY = 1500;
constexpr int IDC_CLEAR_STATUS = 1600;
constexpr int IDC_ENTRY_NUMBER = 1800;
constexpr int IDC_SET_ID = 1900;
constexpr int IDC_STATUS = 2000;
constexpr int IDC_STOP = 2100;
constexpr int IDC_ENTRY_LIST = 2200;
constexpr int IDC_ANIMATION = 1000;
constexpr int IDC_STOP_HINT = 220;
constexpr int IDC_STOP_HINT_ZONE = 320;
constexpr int IDC_EXPORT_CANCEL = 3900;
constexpr int IDC_QUICK_START_CLOSE = 4300;

// Timer
constexpr int PLAY_TIMER_ID = 1;

// Resources: sounds and pictures
constexpr int SOUND_START = 400;
constexpr int SOUND_FINISH = 600;
constexpr int BMP_ANIMATION_IDLE = 2300;
constexpr int BMP_STOP_HINT = 220;
constexpr int BMP_STOP_HINT_ZONE = 320;

// Window messages the program handles. The numbers are the system's own, so
// the Windows front-end forwards messages unchanged.
constexpr unsigned MESSAGE_DESTROY = 0x0002;
constexpr unsigned MESSAGE_COMMAND = 0x0111;
constexpr unsigned MESSAGE_TIMER = 0x0113;
constexpr unsigned MESSAGE_MOUSE_MOVE = 0x0200;
constexpr unsigned LIST_SELECTION_CHANGED = 1;  // notification code of the entry list

// The plain show command of a window.
constexpr int SHOW_PLAIN = 5;
