#include "tools/panel_names.h"

#include "messages/messages.h"

namespace tools {

const char* panelIndexName(int index) {
    switch (index) {
        case 3: return messages::tr("blink request from a module");
        case 22: return messages::tr("speed needle");
        case 26: return messages::tr("current needle");
        case 41: return messages::tr("current lamp");
        case 42: return messages::tr("lamp 42, always lit");
        case 43: return messages::tr("lamp 43, always lit");
        case 68: return messages::tr("blinking output");
        case 97: return messages::tr("sweep output");
        case 130: return messages::tr("brake-cylinder needle");
        case 131: return messages::tr("adjustment test value (131)");
        case 132: return messages::tr("adjustment test value (132)");
        case 133: return messages::tr("main-reservoir needle");
        case 135: return messages::tr("switch lamp (key 5 on, key 6 off)");
        case 136: return messages::tr("switch lamp (keys 5 and 6 on)");
        case 220: return messages::tr("digit 1");
        case 221: return messages::tr("digit 2");
        case 222: return messages::tr("digit 3");
        case 223: return messages::tr("digit 4");
        case 232: return messages::tr("line-voltage needle");
        case 252: return messages::tr("switch lamp of key 12");
        default: return nullptr;
    }
}

const char* soundIndexName(int index) {
    switch (index) {
        case 95: return messages::tr("doors closed");
        case 96: return messages::tr("doors opened");
        case 97: return messages::tr("below 5 km/h");
        case 98: return messages::tr("reached 5 km/h");
        case 107: return messages::tr("switch on");
        case 108: return messages::tr("switch off");
        case 109: return messages::tr("switch 6 off");
        case 110: return messages::tr("switch 6 on");
        case 111: return messages::tr("sweep reversal");
        case 223: return messages::tr("brake shift on");
        case 224: return messages::tr("brake shift off");
        case 227: return messages::tr("brake shift running");
        case 228: return messages::tr("brake shift released");
        case 229: return messages::tr("brake pressure rising");
        default: return nullptr;
    }
}

const char* needleName(int index) {
    switch (index) {
        case 22: return messages::tr("speed");
        case 26: return messages::tr("current");
        case 130: return messages::tr("brake cylinder");
        case 133: return messages::tr("main reservoir");
        case 232: return messages::tr("line voltage");
        default: return nullptr;
    }
}

}  // namespace tools
