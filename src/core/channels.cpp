#include "channels.h"

namespace tavro {

namespace {
constexpr auto W = DisplayRule::Whole;
constexpr auto D2 = DisplayRule::TwoDecimals;
constexpr auto H = DisplayRule::Hex;
}  // namespace

const std::array<ChannelInfo, kChannelCount> ChannelCatalogue = {{
    {"OPS mode", "", DisplayRule::OpsMode},
    {"Boot cnt", "", W},
    {"Packet cnt", "", W},
    {"Uptime", "s", W},  // plain seconds; only Sat Time gets the day form
    {"Cmd rx", "", W},
    {"Cmd valid", "", W},
    {"validity bits", "", H},
    {"Sat Time", "s", DisplayRule::Duration},
    {"PPT mode", "", DisplayRule::PptMode},
    {"Ch status", "", H},
    {"Batt voltage", "V", D2},
    {"tot sys curr", "A", D2},
    {"Batt temp", "C", W},
    {"SP1 voltage", "mV", D2},
    {"SP2 voltage", "mV", D2},
    {"SP3 voltage", "mV", D2},
    {"Solar curr", "mA", W},
    {"X Ant status", "", W},
    {"X temp", "C", W},
    {"Temp 1", "C", W},
    {"ADCS status", "", W},
    {"Mag Delta 1", "nT", D2},
    {"Mag Delta 2", "nT", D2},
    {"Mag Delta 3", "nT", D2},
    {"TX curr", "mA", D2},
    {"RX curr", "mA", D2},
    {"RX doppler", "V", D2},
    {"RX RSSI", "V", D2},
    {"TX refl pow", "mW", D2},
    {"TX forw pow", "mW", D2},
    {"PA temp", "C", D2},
    {"Bus voltage", "V", D2},
    {"HK log", "", W},
    {"FullMIPS log", "", W},
    {"DiffMIPS log", "", W},
    {"FullSMDH log", "", W},
    {"DiffSMDH log", "", W},
    {"Magn log", "", W},
    {"Payload stat", "", W},
    {"MagX sample T", "s", W},
    {"MagX sample", "nT", W},
    {"MagY sample", "nT", W},
    {"MagZ sample", "nT", W},
    {"MIPS diff cnt", "m", W},
    {"MIPS whole", "", W},
    {"SMDH sample", "m", W},
    {"SMDH diff cnt", "", W},
}};

}  // namespace tavro
