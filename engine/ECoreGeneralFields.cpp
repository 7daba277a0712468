// The general report items in bit order of GeneralFieldsShown (bit 0 first);
// the same names are offered to web trackers as field names.
#include "engine/ECoreOptionFlags.h"

const char* const kGeneralFieldNames[kGeneralFieldCount] = {
    "Application|Start Date",         // 0
    "Application|Name",               // 1
    "Application|Version Number",     // 2
    "Application|Parameters",         // 3
    "Application|Compilation Date",   // 4
    "Application|Up Time",            // 5
    "Exception|Date",                 // 6
    "Exception|Address",              // 7
    "Exception|Module Name",          // 8
    "Exception|Module Version",       // 9
    "Exception|Type",                 // 10
    "Exception|Message",              // 11
    "Exception|ID",                   // 12
    "Exception|Count",                // 13
    "Exception|Status",               // 14
    "Exception|Note",                 // 15
    "User|ID",                        // 16
    "User|Name",                      // 17
    "User|Email",                     // 18
    "User|Privileges",                // 19
    "User|Company",                   // 20
    "Active Controls|Form Class",     // 21
    "Active Controls|Form Text",      // 22
    "Active Controls|Control Class",  // 23
    "Active Controls|Control Text",   // 24
    "Computer|Name",                  // 25
    "Computer|Total Memory",          // 26
    "Computer|Free Memory",           // 27
    "Computer|Total Disk",            // 28
    "Computer|Free Disk",             // 29
    "Computer|System Up Time",        // 30
    "Computer|Processor",             // 31
    "Computer|Display Mode",          // 32
    "Computer|Display DPI",           // 33
    "Computer|Video Card",            // 34
    "Computer|Printer",               // 35
    "Operating System|Type",          // 36
    "Operating System|Build #",       // 37
    "Operating System|Update",        // 38
    "Operating System|Language",      // 39
    "Operating System|Charset",       // 40
    "Network|IP Address",             // 41
    "Network|Submask",                // 42
    "Network|Gateway",                // 43
    "Network|DNS 1",                  // 44
    "Network|DNS 2",                  // 45
    "Network|DHCP",                   // 46
    "Custom Data|All",                // 47
};
