#include "app/forms/ScanTimings.h"

namespace lxq {

std::optional<ReceiverInterface> InterfaceOfProduct(const std::string& product) {
    std::optional<ReceiverInterface> found;
    if (product.find("PCI") != std::string::npos) found = ReceiverInterface::PCI;
    if (product.find("USB") != std::string::npos) found = ReceiverInterface::USB;
    if (product.find("SER") != std::string::npos) found = ReceiverInterface::SER;
    return found;
}

} // namespace lxq
