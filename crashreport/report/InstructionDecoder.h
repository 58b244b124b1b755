#pragma once
#include <cstddef>
#include <cstdint>

#include <Zydis/Zydis.h>

namespace errvane {

// One decoded x86-64 instruction with what the code listing needs of it.
struct DecodedInstruction {
    enum class Flow { None, Call, Jump, Return };
    enum class OperandKind { Other, Memory, ShortRelative, NearRelative };
    enum class Base { None, FramePointer, InstructionPointer, Other };

    struct Operand {
        OperandKind kind = OperandKind::Other;
        unsigned sizeBits = 0;
        Base base = Base::Other;
        bool hasIndex = false;
        std::int64_t displacement = 0;  // sign-extended by the decoder
        std::uint64_t target = 0;       // relative operands: the absolute target
    };

    unsigned length = 0;
    char text[128] = {};
    Flow flow = Flow::None;
    bool privileged = false;
    unsigned operandCount = 0;
    Operand operands[5];
};

// Decodes and formats (Intel syntax) one instruction from a buffer of bytes that lie at
// `address` in the process.
class InstructionDecoder {
public:
    InstructionDecoder();
    bool Decode(const unsigned char* bytes, std::size_t length, std::uint64_t address, DecodedInstruction* out) const;

private:
    ZydisDecoder decoder_;
    ZydisFormatter formatter_;
};

}  // namespace errvane
