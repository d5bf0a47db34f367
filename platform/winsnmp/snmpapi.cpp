// libsnmpapi.so: the memory of binding lists.
#include <cstdlib>

#include "platform/winsnmp/snmpapi.h"

using namespace platform::winsnmp;

void* SnmpUtilMemAlloc(std::uint32_t size) {
    return std::calloc(1, size ? size : 1);
}

void* SnmpUtilMemReAlloc(void* memory, std::uint32_t size) {
    return std::realloc(memory, size ? size : 1);
}

void SnmpUtilMemFree(void* memory) {
    std::free(memory);
}

void SnmpUtilVarBindListFree(SnmpVarBindList* bindings) {
    if (!bindings)
        return;
    for (std::uint32_t i = 0; bindings->list && i < bindings->count; ++i) {
        SnmpVarBind& binding = bindings->list[i];
        std::free(binding.name.ids);
        if (binding.value.type == syntax_oid)
            std::free(binding.value.oid.ids);
        else if (holds_octets(binding.value.type) && binding.value.octets.owned)
            std::free(binding.value.octets.bytes);
    }
    std::free(bindings->list);
    bindings->list = nullptr;
    bindings->count = 0;
}
