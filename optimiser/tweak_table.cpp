#include "optimiser/tweak_table.h"

#include <string>

#include "base/text.h"
#include "registry/registry.h"

namespace kavrel::optimiser {

namespace {
using registry::kHkeyCurrentUser;
using registry::kHkeyLocalMachine;
using registry::kRegDword;
using registry::kRegSz;
constexpr auto HKLM = kHkeyLocalMachine;
constexpr auto HKCU = kHkeyCurrentUser;
constexpr auto SZ = kRegSz;
constexpr auto DW = kRegDword;
constexpr auto Lan = Group::Lan;
constexpr auto Modem = Group::Modem;
constexpr auto Adsl = Group::Adsl;
constexpr auto All = Group::Common;
constexpr auto Set = Operation::Set;

constexpr RowData Int(std::int32_t v) { return {RowData::Source::Integer, v, nullptr}; }
constexpr RowData Text(const char* t) { return {RowData::Source::Text, 0, t}; }
constexpr RowData Bool(bool b) { return {RowData::Source::Boolean, b ? 1 : 0, nullptr}; }
constexpr RowData ProfileTtl() { return {RowData::Source::ProfileTtl, 0, nullptr}; }
constexpr RowData ProfileWindowSize() { return {RowData::Source::ProfileWindowSize, 0, nullptr}; }
constexpr RowData None() { return {}; }
}  // namespace

// clang-format off
const std::array<TweakRow, kTweakRowCount> kTweakTable = {{
    // Only for a local network.
    {1, Lan, Set, HKLM, R"(system\currentcontrolset\services\VxD\Mstcp)", "DefaultRcvWindow", SZ, Int(5840)},
    {2, Lan, Set, HKLM, R"(System\CurrentControlSet\Services\Class\NetTrans\0000)", "MaxMTU", SZ, Int(1500)},
    {3, Lan, Set, HKLM, R"(System\ControlSet001\Services\kmixer\Enum)", "Count", SZ, Int(0)},
    {4, Lan, Set, HKLM, R"(System\ControlSet001\Services\kmixer\Enum)", "NextInstance", SZ, Int(0)},
    {5, Lan, Set, HKLM, R"(System\ControlSet001\Services\RemoteAccess\Performance)", "Error Count", SZ, Int(67)},
    {6, Lan, Set, HKLM, R"(System\CurrentControlSet\Services\RemoteAccess\Performance)", "Error Count", SZ, Int(67)},
    {7, Lan, Set, HKLM, R"(System\CurrentControlSet\Services\kmixer\Enum)", "Count", SZ, Int(0)},
    {8, Lan, Set, HKLM, R"(System\CurrentControlSet\Services\kmixer\Enum)", "NextInstance", SZ, Int(0)},
    // "services\Services": a key a standard system does not have; these rows change nothing there.
    {9, Lan, Set, HKLM, R"(system\Currentcontrolset\services\Services\Tcpip\Parameters)", "MaxDupAcks", SZ, Int(3)},
    {10, Lan, Set, HKLM, R"(system\Currentcontrolset\services\Services\Tcpip\Parameters)", "SackOpts", SZ, Int(1)},
    {11, Lan, Set, HKLM, R"(system\Currentcontrolset\services\Services\Tcpip\Parameters)", "Tcp1323Opts", SZ, Int(1)},
    {12, Lan, Set, HKLM, R"(system\Currentcontrolset\services\Services\Tcpip\Parameters)", "TcpWindowSize", SZ, Int(256960)},
    {13, Lan, Set, HKLM, R"(system\Controlset001\services\Services\Tcpip\Parameters)", "MaxDupAcks", SZ, Int(3)},
    {14, Lan, Set, HKLM, R"(system\Controlset001\services\Services\Tcpip\Parameters)", "SackOpts", SZ, Int(1)},
    {15, Lan, Set, HKLM, R"(system\Controlset001\services\Services\Tcpip\Parameters)", "Tcp1323Opts", SZ, Int(1)},
    {16, Lan, Set, HKLM, R"(system\Controlset001\services\Services\Tcpip\Parameters)", "TcpWindowSize", SZ, Int(256960)},

    // Only for a modem.
    {17, Modem, Set, HKLM, R"(system\currentcontrolset\services\VxD\Mstcp)", "DefaultRcvWindow", SZ, Int(2144)},
    {18, Modem, Set, HKLM, R"(System\CurrentControlSet\Services\Class\NetTrans\0000)", "MaxMTU", SZ, Int(576)},
    {19, Modem, Set, HKLM, R"(system\currentcontrolset\services\Tcpip\Parameters)", "EnablePMTUDiscovery", SZ, Int(1)},
    {20, Modem, Set, HKLM, R"(system\currentcontrolset\services\Tcpip\Parameters)", "SackOpts", SZ, Int(1)},
    {21, Modem, Set, HKLM, R"(system\currentcontrolset\services\Tcpip\Parameters)", "Tcp1323Opts", SZ, Int(1)},
    {22, Modem, Set, HKLM, R"(system\currentcontrolset\services\Tcpip\Parameters)", "TcpWindowSize", SZ, Int(64240)},
    {23, Modem, Set, HKLM, R"(system\currentcontrolset\services\Tcpip\Parameters)", "MaxDupAcks", SZ, Int(3)},
    {24, Modem, Set, HKLM, R"(system\currentcontrolset\services\Tcpip\Parameters)", "GlobalMaxTcpWindowSize", SZ, Int(3216)},
    {25, Modem, Set, HKLM, R"(system\currentcontrolset\services\Tcpip\Parameters)", "TcpUseRFC1122UrgentPointer", SZ, Int(1)},
    {26, Modem, Set, HKLM, R"(system\currentcontrolset\Services\Class\Net\0000)", "SLOWNET", SZ, Text("00")},

    // Only for ADSL or cable.
    {27, Adsl, Set, HKLM, R"(System\CurrentControlSet\Services\kmixer\Enum)", "Count", SZ, Int(0)},
    {28, Adsl, Set, HKLM, R"(System\CurrentControlSet\Services\kmixer\Enum)", "NextInstance", SZ, Int(0)},
    {29, Adsl, Set, HKLM, R"(system\Currentcontrolset\services\Services\Tcpip\Parameters)", "MaxDupAcks", SZ, Int(3)},
    {30, Adsl, Set, HKLM, R"(system\Currentcontrolset\services\Services\Tcpip\Parameters)", "SackOpts", SZ, Int(1)},
    {31, Adsl, Set, HKLM, R"(system\Currentcontrolset\services\Services\Tcpip\Parameters)", "Tcp1323Opts", SZ, Int(1)},
    {32, Adsl, Set, HKLM, R"(system\Currentcontrolset\services\Services\Tcpip\Parameters)", "TcpWindowSize", SZ, Int(255552)},
    {33, Adsl, Set, HKLM, R"(system\Controlset001\services\Services\Tcpip\Parameters)", "MaxDupAcks", SZ, Int(3)},
    {34, Adsl, Set, HKLM, R"(system\Controlset001\services\Services\Tcpip\Parameters)", "SackOpts", SZ, Int(1)},
    {35, Adsl, Set, HKLM, R"(system\Controlset001\services\Services\Tcpip\Parameters)", "Tcp1323Opts", SZ, Int(1)},
    {36, Adsl, Set, HKLM, R"(system\Controlset001\services\Services\Tcpip\Parameters)", "TcpWindowSize", SZ, Int(255552)},
    {37, Adsl, Set, HKLM, R"(System\ControlSet001\Services\kmixer\Enum)", "Count", SZ, Int(0)},
    {38, Adsl, Set, HKLM, R"(System\ControlSet001\Services\kmixer\Enum)", "NextInstance", SZ, Int(0)},
    {39, Adsl, Set, HKLM, R"(System\ControlSet001\Services\RemoteAccess\Performance)", "Error Count", SZ, Int(67)},
    {40, Adsl, Set, HKLM, R"(System\CurrentControlSet\Services\RemoteAccess\Performance)", "Error Count", SZ, Int(67)},
    {41, Adsl, Set, HKLM, R"(system\currentcontrolset\services\Tcpip\Parameters)", "GlobalMaxTcpWindowSize", SZ, Int(255552)},

    // Every run.
    {42, All, Set, HKLM, R"(system\currentcontrolset\Services\NetBT\Parameters)", "SessionKeepAlive", SZ, Int(600000)},
    {43, All, Set, HKLM, R"(SYSTEM\CurrentControlSet\Services\Tcpip\Parameters)", "DefaultTTL", DW, ProfileTtl()},
    {44, All, Set, HKLM, R"(SYSTEM\CurrentControlSet\Services\Tcpip\Parameters)", "TcpWindowSize", DW, ProfileWindowSize()},
    {45, All, Set, HKCU, R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings)", "MaxConnectionsPer1_0Server", DW, Int(8)},
    {46, All, Set, HKCU, R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings)", "MaxConnectionsPerServer", DW, Int(4)},
    {47, All, Set, HKLM, R"(SYSTEM\CurrentControlSet\Services\Dnscache\Parameters)", "CacheHashTableBucketSize", DW, Int(1)},
    {48, All, Set, HKLM, R"(SYSTEM\CurrentControlSet\Services\Dnscache\Parameters)", "CacheHashTableSize", DW, Int(384)},
    {49, All, Set, HKLM, R"(SYSTEM\CurrentControlSet\Services\Dnscache\Parameters)", "MaxCacheEntryTtlLimit", DW, Int(64000)},
    {50, All, Set, HKLM, R"(SYSTEM\CurrentControlSet\Services\Dnscache\Parameters)", "MaxSOACacheEntryTtlLimit", DW, Int(301)},
    {51, All, Set, HKLM, R"(System\CurrentControlSet\Services\VXD\MSTCP)", "DefaultTTL", SZ, Int(128)},
    {52, All, Set, HKLM, R"(System\CurrentControlSet\Services\Class\NetTrans\0000)", "MaxMSS", SZ, Int(1460)},
    {53, All, Set, HKLM, R"(SYSTEM\CurrentControlSet\Services\LanmanWorkstation\Parameters)", "MaxCmds", DW, Int(100)},
    {54, All, Set, HKLM, R"(SYSTEM\CurrentControlSet\Services\LanmanWorkstation\Parameters)", "DMaxThreads", DW, Int(100)},
    {55, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\MSTCP)", "MaxDupAcks", DW, Int(3)},
    {56, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\MSTCP)", "PMTUBlackHoleDetect", SZ, Int(0)},
    {57, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\MSTCP)", "PMTUDiscovery", SZ, Int(1)},
    {58, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\MSTCP)", "ReadAheadAutoScrolling", SZ, Bool(true)},
    {59, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\MSTCP)", "SackOpts", SZ, Int(1)},
    {60, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\MSTCP)", "Tcp1323Opts", SZ, Int(1)},
    {61, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\MSTCP\Parameters)", "GlobalMaxTcpWindoSize", SZ, Int(8912)},
    {62, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\MSTCP\Parameters)", "MaxDupAcks", DW, Int(3)},
    {63, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\MSTCP\Parameters)", "SackOpts", SZ, Int(1)},
    {64, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\MSTCP\Parameters)", "Tcp1323Opts", SZ, Int(1)},
    {65, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\MTRR)", "Start", DW, Text("00")},
    {66, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\MTRR)", "StaticVxD", SZ, Text("*mtrr")},
    {67, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\NDIS)", "NetClean", SZ, Text("01")},
    {68, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\NDIS)", "Start", SZ, Text("00")},
    {69, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\NTKern)", "Start", SZ, Text("00")},
    {70, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\NTKern)", "StaticVxD", SZ, Text("*NTKERN")},
    {71, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\NWLink\Ndi\params)", "cachesize", SZ, Int(64)},
    {72, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\NWLink\Ndi\params)", "maxconnect", SZ, Int(64)},
    {73, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\NWLink\Ndi\params\maxconnect)", "Max", SZ, Int(128)},
    {74, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\NWLink\Ndi\params\maxconnect)", "Min", SZ, Int(2)},
    {75, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\NWLink\Ndi\params)", "maxsockets", SZ, Int(255)},
    {76, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\NWLink\Ndi\params\maxsockets)", "max", SZ, Int(1020)},
    {77, All, Set, HKLM, R"(System\CurrentControlSet\Services\VxD\NWLink\Ndi\params\maxsockets)", "min", SZ, Int(32)},
    {78, All, Operation::Delete, HKLM, R"(Software\Microsoft\Windows\CurrentVersion\Explorer\RemoteComputer\NameSpace)", "{D6277990-4C6A-11CF-8D87-00AA0060F5BF}", 0, None()},
    // Texts for REG_DWORD values, read as decimal: 180 and 1.
    {79, All, Set, HKLM, R"(System\CurrentControlSet\Services\Dnscache\Parameters)", "CacheHashTableSize", DW, Text("00000180")},
    {80, All, Set, HKLM, R"(System\CurrentControlSet\Services\Dnscache\Parameters)", "CacheHashTableBucketSize", DW, Text("00000001")},
}};
// clang-format on

const char* GroupName(Group group) {
    switch (group) {
        case Group::Lan: return "lan";
        case Group::Modem: return "modem";
        case Group::Adsl: return "adsl";
        case Group::Common: return "all";
    }
    return "?";
}

bool KeyMissingOnAStandardSystem(const TweakRow& row) {
    return base::FoldCase(row.keyPath).find(R"(services\services)") != std::string::npos;
}

}  // namespace kavrel::optimiser
