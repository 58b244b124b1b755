#include "crashreport/report/CodeListing.h"

#include "crashreport/report/AddressText.h"
#include "crashreport/report/InstructionDecoder.h"
#include "crashreport/sys/SafeMemory.h"
#include "crashreport/text/HexBytes.h"
#include "crashreport/text/TmyStringList.h"

#include <algorithm>
#include <cerrno>

namespace errvane {
namespace {

constexpr std::uint64_t kSyncBytes = 40;
constexpr std::size_t kMaxInstruction = 15;
constexpr std::uint64_t kNoModuleSize = 0x7FFFFFFF;

// The listing's bytes, copied once, with the readability of each byte.
class CodeWindow {
public:
    CodeWindow(std::uint64_t start, std::size_t size) : start_(start), size_(size < kCapacity ? size : kCapacity) {
        std::size_t done = 0;
        while (done < size_) {
            const std::uint64_t at = start_ + done;
            const std::size_t toPageEnd = static_cast<std::size_t>(4096 - (at & 4095));
            const std::size_t step = size_ - done < toPageEnd ? size_ - done : toPageEnd;
            const std::size_t got = SafeMemory::ReadSome(at, bytes_ + done, step);
            for (std::size_t i = 0; i < step; ++i) readable_[done + i] = i < got;
            done += step;
        }
    }
    // Readable bytes from the offset on, at most kMaxInstruction.
    std::size_t Available(std::uint64_t offset) const {
        std::size_t n = 0;
        while (n < kMaxInstruction && offset + n < size_ && readable_[offset + n]) ++n;
        return n;
    }
    const unsigned char* At(std::uint64_t offset) const { return bytes_ + offset; }

private:
    static constexpr std::size_t kCapacity = 4096;
    std::uint64_t start_;
    std::size_t size_;
    unsigned char bytes_[kCapacity];
    bool readable_[kCapacity];
};

TmyString ValueText(std::uint64_t address, unsigned sizeBits) {
    std::uint64_t value = 0;
    switch (sizeBits) {
    case 8: return SafeMemory::Read(address, &value, 1) ? "=0x" + TmyString::Hex(value, 2) : TmyString();
    case 16: return SafeMemory::Read(address, &value, 2) ? "=0x" + TmyString::Hex(value, 4) : TmyString();
    case 64: return SafeMemory::Read(address, &value, 8) ? "=0x" + TmyString::Hex(value, 16) : TmyString();
    default: return SafeMemory::Read(address, &value, 4) ? "=0x" + TmyString::Hex(value, 8) : TmyString();
    }
}

// The address of a memory operand the listing can compute: relative to the frame pointer, to the
// next instruction, or absolute. False for any other base or with an index register.
bool OperandAddress(const DecodedInstruction::Operand& operand, std::uint64_t framePointer, std::uint64_t next,
                    std::uint64_t* address) {
    if (operand.kind != DecodedInstruction::OperandKind::Memory || operand.hasIndex) return false;
    const std::uint64_t displacement = static_cast<std::uint64_t>(operand.displacement);  // wraps like the CPU
    switch (operand.base) {
    case DecodedInstruction::Base::FramePointer: *address = framePointer + displacement; return true;
    case DecodedInstruction::Base::InstructionPointer: *address = next + displacement; return true;
    case DecodedInstruction::Base::None: *address = displacement; return true;
    default: return false;
    }
}

TmyString InstructionLine(const DecodedInstruction& instruction, const unsigned char* bytes, std::uint64_t at,
                          bool marked, std::uint64_t framePointer) {
    TmyString line = TmyString::Hex(at, 16) + (marked ? ">>" : "  ");
    line += HexBytes(bytes, instruction.length);
    for (unsigned i = instruction.length; i < 8; ++i) line += "  ";
    if (instruction.length >= 8) line += " ";  // long instructions would run into their text
    line += instruction.text;
    const std::uint64_t next = at + instruction.length;
    const bool branch = instruction.flow == DecodedInstruction::Flow::Call || instruction.flow == DecodedInstruction::Flow::Jump;
    for (unsigned i = 0; i < instruction.operandCount; ++i) {
        const DecodedInstruction::Operand& operand = instruction.operands[i];
        std::uint64_t address = 0;
        const bool computable = OperandAddress(operand, framePointer, next, &address);
        if (computable) line += "\t\t(@" + TmyString::Hex(address, 16) + ValueText(address, operand.sizeBits) + ")";
        if (!branch) continue;
        if (computable) {
            std::uint64_t target = address;
            std::uint64_t stored = 0;
            if (SafeMemory::Read(address, &stored, sizeof stored)) target = stored;
            line += "\t= " + TmyString::Hex(target, 16) + ": " + AddressTextShort(target);
        } else if (operand.kind == DecodedInstruction::OperandKind::ShortRelative ||
                   operand.kind == DecodedInstruction::OperandKind::NearRelative) {
            line += "\t= " + AddressTextShort(operand.target);
        }
    }
    return line;
}

}  // namespace

void ReportDisassembly(TmyStringList& list, std::uint64_t address, std::uint64_t framePointer, std::uint64_t before,
                       std::uint64_t after) {
    std::uint64_t base = 0, offset = 0;
    std::uint64_t size = AddressToModule(address, &base, &offset, nullptr);
    if (size == 0) {
        list.Add("error address " + TmyString::Hex(address, 16) + ", err=" + TmyString::Decimal(EFAULT));
        base = 0;
        offset = address;
        size = kNoModuleSize;
    }
    list.Add("Disasm module " + TmyString::Hex(base, 16) + ", offset " + TmyString::Hex(offset, 8) + "/" +
             TmyString::Hex(size, 8));
    list.Add("");

    // Near address 0 the start would lie below the module; list from 0 what there is.
    const std::uint64_t first = offset >= before + kSyncBytes ? offset - before - kSyncBytes : 0;
    const std::uint64_t last = offset + after;
    const CodeWindow window(base + first, static_cast<std::size_t>(last - first + kMaxInstruction));
    const InstructionDecoder decoder;
    TmyString pending;
    for (std::uint64_t x = first; x <= last;) {
        const std::size_t available = window.Available(x - first);
        DecodedInstruction instruction;
        if (available == 0) {
            pending += '.';
            ++x;
            continue;
        }
        if (!decoder.Decode(window.At(x - first), available, base + x, &instruction)) {
            pending += ',';
            ++x;
            continue;
        }
        if (x + before < offset) {
            x += instruction.length;
            continue;
        }
        if (pending.Length() > 0) {
            list.Add(pending);
            pending = TmyString();
        }
        list.Add(InstructionLine(instruction, window.At(x - first), base + x, x == offset, framePointer));
        x += instruction.length;
    }
    if (pending.Length() > 0) list.Add(pending);
}

std::uint64_t FindCallSite(std::uint64_t returnAddress) {
    constexpr std::uint64_t kLongest = 12, kShortest = 2;
    std::uint64_t base = 0, offset = 0;
    const std::uint64_t size = AddressToModule(returnAddress, &base, &offset, nullptr);
    if (size == 0 || offset > size || offset < kShortest) return 0;
    // The bytes before the return address, read once; near the module's start or a page that
    // cannot be read, fewer.
    unsigned char bytes[kLongest];
    std::uint64_t have = std::min(kLongest, offset);
    while (have >= kShortest && !SafeMemory::Read(returnAddress - have, bytes + (kLongest - have), have)) --have;
    const InstructionDecoder decoder;
    for (std::uint64_t length = have; length >= kShortest; --length) {
        DecodedInstruction instruction;
        if (decoder.Decode(bytes + (kLongest - length), length, returnAddress - length, &instruction) &&
            instruction.length == length && instruction.flow == DecodedInstruction::Flow::Call)
            return returnAddress - length;
    }
    return 0;
}

}  // namespace errvane
