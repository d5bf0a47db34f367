#pragma once
// Classic BPF as the kernel runs it, for the instructions the discovery
// server's capture filter uses: a load beyond the frame ends the program
// with 0 (drop). Nothing for an instruction this reading does not know or
// a program that runs off its end: the filter itself is wrong then.
#include "platform/w32n/w32n.h"

#include <linux/bpf_common.h>

#include <cstdint>
#include <optional>
#include <span>

namespace test_support {

inline std::optional<std::uint32_t> run_bpf_filter(std::span<const W32N_BPF_INSN> program,
                                                   std::span<const std::uint8_t> frame)
{
    std::uint32_t a = 0;
    for (std::size_t pc = 0; pc < program.size(); ++pc) {
        const W32N_BPF_INSN& insn = program[pc];
        switch (insn.code) {
        case BPF_LD | BPF_H | BPF_ABS:
            if (insn.k + 2 > frame.size())
                return 0;
            a = static_cast<std::uint32_t>(frame[insn.k] << 8 | frame[insn.k + 1]);
            break;
        case BPF_LD | BPF_B | BPF_ABS:
            if (insn.k + 1 > frame.size())
                return 0;
            a = frame[insn.k];
            break;
        case BPF_ALU | BPF_AND | BPF_K:
            a &= insn.k;
            break;
        case BPF_JMP | BPF_JEQ | BPF_K:
            pc += a == insn.k ? insn.jt : insn.jf;
            break;
        case BPF_RET | BPF_K:
            return insn.k;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace test_support
