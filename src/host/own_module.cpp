#include "host/own_module.h"

HINSTANCE ModuleOfControlWindowCode() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ModuleOfControlWindowCode), &module);
    return module;
}
