/* The stack protector's canary and its failure handlers, for the programs
   that ship. The compiler's own runtime library would set the canary at
   start-up from a cryptographic provider, which loads three DLLs and, under
   Wine, costs some 15 ms of every start; the system's random source gives
   the same unpredictability without them. Defining all four symbols keeps
   that library's version out of the link; its checked copies (memcpy and
   the like) call the __chk_fail below. */
#include <windows.h>
#include <ntsecapi.h>

/* Not zero before it is set, and its low byte zero afterwards, so that a
   string copy that runs over the canary cannot write it back. */
void* __stack_chk_guard = (void*)(ULONG_PTR)0x2B992DDFA23249D6ULL;

static void __attribute__((noreturn)) StackSmashed(void) {
    /* What a /GS failure ends with: no handler, no unwinding, no message
       that the damaged process would have to compose. */
    TerminateProcess(GetCurrentProcess(), 0xC0000409u); /* STATUS_STACK_BUFFER_OVERRUN */
    for (;;) {
    }
}

void __attribute__((noreturn)) __stack_chk_fail(void) { StackSmashed(); }
void __attribute__((noreturn)) __stack_chk_fail_local(void) { StackSmashed(); }
void __attribute__((noreturn)) __chk_fail(void) { StackSmashed(); }

/* Before every other constructor of the program: none of them is on the
   stack while the canary changes. */
static void __attribute__((constructor(101), no_stack_protector)) SetStackGuard(void) {
    ULONG_PTR value = 0;
    if (RtlGenRandom(&value, sizeof value)) __stack_chk_guard = (void*)(value & ~(ULONG_PTR)0xFF);
}
