#include "crashreport/report/InstructionDecoder.h"


namespace errvane {

namespace {
DecodedInstruction::Base BaseOf(ZydisRegister reg) {
    switch (reg) {
    case ZYDIS_REGISTER_NONE: return DecodedInstruction::Base::None;
    case ZYDIS_REGISTER_RBP: return DecodedInstruction::Base::FramePointer;
    case ZYDIS_REGISTER_RIP: return DecodedInstruction::Base::InstructionPointer;
    default: return DecodedInstruction::Base::Other;
    }
}
}  // namespace

InstructionDecoder::InstructionDecoder() {
    ZydisDecoderInit(&decoder_, ZYDIS_MACHINE_MODE_LONG_64, ZYDIS_STACK_WIDTH_64);
    ZydisFormatterInit(&formatter_, ZYDIS_FORMATTER_STYLE_INTEL);
    // The report writes hexadecimal in lower case throughout.
    ZydisFormatterSetProperty(&formatter_, ZYDIS_FORMATTER_PROP_HEX_UPPERCASE, ZYAN_FALSE);
}

bool InstructionDecoder::Decode(const unsigned char* bytes, std::size_t length, std::uint64_t address,
                                DecodedInstruction* out) const {
    ZydisDecodedInstruction instruction;
    ZydisDecodedOperand operands[ZYDIS_MAX_OPERAND_COUNT];
    if (!ZYAN_SUCCESS(ZydisDecoderDecodeFull(&decoder_, bytes, length, &instruction, operands))) return false;
    *out = DecodedInstruction{};
    out->length = instruction.length;
    if (!ZYAN_SUCCESS(ZydisFormatterFormatInstruction(&formatter_, &instruction, operands,
                                                      instruction.operand_count_visible, out->text,
                                                      sizeof out->text, address, ZYAN_NULL)))
        out->text[0] = 0;
    switch (instruction.meta.category) {
    case ZYDIS_CATEGORY_CALL: out->flow = DecodedInstruction::Flow::Call; break;
    case ZYDIS_CATEGORY_COND_BR:
    case ZYDIS_CATEGORY_UNCOND_BR: out->flow = DecodedInstruction::Flow::Jump; break;
    case ZYDIS_CATEGORY_RET: out->flow = DecodedInstruction::Flow::Return; break;
    default: break;
    }
    out->privileged = (instruction.attributes & ZYDIS_ATTRIB_IS_PRIVILEGED) != 0;
    for (unsigned i = 0; i < instruction.operand_count_visible && out->operandCount < 5; ++i) {
        const ZydisDecodedOperand& operand = operands[i];
        DecodedInstruction::Operand& o = out->operands[out->operandCount++];
        o.sizeBits = operand.size;
        if (operand.type == ZYDIS_OPERAND_TYPE_MEMORY && operand.mem.type == ZYDIS_MEMOP_TYPE_MEM) {
            o.kind = DecodedInstruction::OperandKind::Memory;
            o.base = BaseOf(operand.mem.base);
            o.hasIndex = operand.mem.index != ZYDIS_REGISTER_NONE;
            o.displacement = operand.mem.disp.value;
        } else if (operand.type == ZYDIS_OPERAND_TYPE_IMMEDIATE && operand.imm.is_relative) {
            o.kind = instruction.raw.imm[0].size == 8 ? DecodedInstruction::OperandKind::ShortRelative
                                                     : DecodedInstruction::OperandKind::NearRelative;
            ZyanU64 target = 0;
            ZydisCalcAbsoluteAddress(&instruction, &operand, address, &target);
            o.target = target;
        }
    }
    return true;
}

}  // namespace errvane
