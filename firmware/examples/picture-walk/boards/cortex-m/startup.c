/*
 * Start-up of the example firmware on every Cortex-M board (M0, M4, M7, M33) as qemu-system-arm
 * emulates it. Kept in C, so that the vector table is plain data with no C++ start-up of its
 * own.
 *
 * The processor starts by reading the vector table at the start of the board's code memory
 * (the link script puts it there): word 0 is the initial stack pointer, word 1 the reset
 * handler, the next 14 words the handlers of the system exceptions (an ARMv6-M core such as the
 * M0 reserves the slots of the faults it lacks, and never uses them). The example uses no
 * interrupts, so the table ends there.
 *
 * Reset copies the initialised data from its load address in code memory to RAM (the link script
 * places both) and hands over to the start-up of newlib's semihosting library, _start, which
 * clears .bss, fetches the command line from the host, runs the constructors, calls main and
 * passes main's result to the host as the exit status.
 */
#include <stdint.h>
#include <string.h>
#include <unistd.h>

/* The exit status of a run that ended in a processor fault. */
#define FAULT_STATUS 3

/* From the link script. */
extern uint32_t __stack_top;
extern uint8_t __data_start__[];
extern uint8_t __data_end__[];
extern const uint8_t __data_load__[];

/* newlib's semihosting start-up (rdimon-crt0). */
extern void _start(void);

typedef void (*exception_handler)(void);

static void reset(void) {
    memcpy(__data_start__, __data_load__, (size_t)(__data_end__ - __data_start__));
    _start();
}

/* A fault ends the run through semihosting with its own status, so that a broken firmware fails
 * its caller at once instead of spinning until a time limit. */
static void fault(void) {
    _exit(FAULT_STATUS);
}

struct vector_table {
    uint32_t* initial_stack;
    exception_handler handlers[15];
};

__attribute__((section(".vectors"), used)) static const struct vector_table vectors = {
    &__stack_top,
    {
        reset,          /* 1: reset */
        fault,          /* 2: NMI */
        fault,          /* 3: HardFault */
        fault,          /* 4: MemManage */
        fault,          /* 5: BusFault */
        fault,          /* 6: UsageFault */
        0,              /* 7 to 10: reserved */
        0, 0, 0, fault, /* 11: SVCall */
        fault,          /* 12: DebugMonitor */
        0,              /* 13: reserved */
        fault,          /* 14: PendSV */
        fault,          /* 15: SysTick */
    },
};
