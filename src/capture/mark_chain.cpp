#include "capture/mark_chain.h"

void FreeMarkChain(CaptureMark* chain) {
    while (chain != nullptr) {
        CaptureMark* next = chain->NextPTT;
        delete chain;
        chain = next;
    }
}
