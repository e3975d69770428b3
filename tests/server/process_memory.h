// A process's resident memory, now and at its peak, as Linux reports it in /proc.
#pragma once

#include <sys/types.h>

#include <cstdlib>
#include <fstream>
#include <string>

struct ResidentMemory {
    long now_kib = 0;  // VmRSS
    long peak_kib = 0; // VmHWM
};

inline ResidentMemory resident_memory(pid_t pid) {
    ResidentMemory memory;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            memory.now_kib = std::atol(line.c_str() + 6);
        } else if (line.rfind("VmHWM:", 0) == 0) {
            memory.peak_kib = std::atol(line.c_str() + 6);
        }
    }
    return memory;
}
