#include "tools/panel_names.h"

namespace tools {

const char* panelIndexName(int index) {
    switch (index) {
        case 3: return "blink request from a module";
        case 22: return "speed needle";
        case 26: return "current needle";
        case 41: return "current lamp";
        case 42: return "lamp 42, always lit";
        case 43: return "lamp 43, always lit";
        case 68: return "blinking output";
        case 97: return "sweep output";
        case 130: return "brake-cylinder needle";
        case 131: return "adjustment output 2";
        case 132: return "adjustment output 3";
        case 133: return "main-reservoir needle";
        case 135: return "switch A lamp";
        case 136: return "switch B lamp";
        case 220: return "digit 1";
        case 221: return "digit 2";
        case 222: return "digit 3";
        case 223: return "digit 4";
        case 232: return "line-voltage needle";
        case 252: return "switch C lamp";
        default: return nullptr;
    }
}

const char* soundIndexName(int index) {
    switch (index) {
        case 95: return "doors closed";
        case 96: return "doors opened";
        case 97: return "below 5 km/h";
        case 98: return "reached 5 km/h";
        case 107: return "switch on";
        case 108: return "switch off";
        case 109: return "switch B off";
        case 110: return "switch B on";
        case 111: return "sweep reversal";
        case 223: return "brake shift on";
        case 224: return "brake shift off";
        case 227: return "brake shift running";
        case 228: return "brake shift released";
        case 229: return "brake pressure rising";
        default: return nullptr;
    }
}

}  // namespace tools
