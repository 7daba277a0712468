// x86 instruction templates after the IA-32 processor manuals' opcode maps (one-byte and two-byte
// maps, opcode groups, x87 escape maps) at the level of the Pentium II: integer, x87 and MMX
// instructions. SSE and later encodings are marked "%c" and print as "DB" (their length comes
// from the instruction decoder, like every instruction's).
//
// A template is the mnemonic padded to 8 characters, then its operands separated by ", ".
// Items: "#" + method letter + type letter = an operand in the manuals' notation; "@c2" = continue
// with the two-byte entry of the next byte; "@ca".."@ch" = continue with the x87 table of escape
// D8..DF; "@ga".."@gj" = insert group a..j; "@h1".."@h4" = insert operand tail 1..4 (both by ModR/M
// bits 3-5); "@pe", "@pc", "@ps", "@pd", "@pf", "@pg" = segment override prefix; "@so", "@sa" =
// operand-size and address-size prefixes; "@c1" = lock or repeat prefix, continue with the one-byte
// entry of the next byte; "@e" = "e" when the operand size is 32 bits; "@o2", "@o4", "@o8" = size
// letter b/w, w/d, d/q by operand size; "@m" = always print the memory operand's size; "%c" = not a
// valid instruction.
#include "debuginfo/EDisAsmTemplates.h"

namespace {

const char* const kTemplates[kDisAsmTemplateCount] = {
    // One-byte opcodes, by the opcode byte.
    "add     #Eb, #Gb",       // 00
    "add     #Ev, #Gv",       // 01
    "add     #Gb, #Eb",       // 02
    "add     #Gv, #Ev",       // 03
    "add     al, #Ib",        // 04
    "add     @eax, #Iv",      // 05
    "push    es",             // 06
    "pop     es",             // 07
    "or      #Eb, #Gb",       // 08
    "or      #Ev, #Gv",       // 09
    "or      #Gb, #Eb",       // 0A
    "or      #Gv, #Ev",       // 0B
    "or      al, #Ib",        // 0C
    "or      @eax, #Iv",      // 0D
    "push    cs",             // 0E
    "@c2",                    // 0F
    "adc     #Eb, #Gb",       // 10
    "adc     #Ev, #Gv",       // 11
    "adc     #Gb, #Eb",       // 12
    "adc     #Gv, #Ev",       // 13
    "adc     al, #Ib",        // 14
    "adc     @eax, #Iv",      // 15
    "push    ss",             // 16
    "pop     ss",             // 17
    "sbb     #Eb, #Gb",       // 18
    "sbb     #Ev, #Gv",       // 19
    "sbb     #Gb, #Eb",       // 1A
    "sbb     #Gv, #Ev",       // 1B
    "sbb     al, #Ib",        // 1C
    "sbb     @eax, #Iv",      // 1D
    "push    ds",             // 1E
    "pop     ds",             // 1F
    "and     #Eb, #Gb",       // 20
    "and     #Ev, #Gv",       // 21
    "and     #Gb, #Eb",       // 22
    "and     #Gv, #Ev",       // 23
    "and     al, #Ib",        // 24
    "and     @eax, #Iv",      // 25
    "@pe",                    // 26
    "daa",                    // 27
    "sub     #Eb, #Gb",       // 28
    "sub     #Ev, #Gv",       // 29
    "sub     #Gb, #Eb",       // 2A
    "sub     #Gv, #Ev",       // 2B
    "sub     al, #Ib",        // 2C
    "sub     @eax, #Iv",      // 2D
    "@pc",                    // 2E
    "das",                    // 2F
    "xor     #Eb, #Gb",       // 30
    "xor     #Ev, #Gv",       // 31
    "xor     #Gb, #Eb",       // 32
    "xor     #Gv, #Ev",       // 33
    "xor     al, #Ib",        // 34
    "xor     @eax, #Iv",      // 35
    "@ps",                    // 36
    "aaa",                    // 37
    "cmp     #Eb, #Gb",       // 38
    "cmp     #Ev, #Gv",       // 39
    "cmp     #Gb, #Eb",       // 3A
    "cmp     #Gv, #Ev",       // 3B
    "cmp     al, #Ib",        // 3C
    "cmp     @eax, #Iv",      // 3D
    "@pd",                    // 3E
    "aas",                    // 3F
    "inc     @eax",           // 40
    "inc     @ecx",           // 41
    "inc     @edx",           // 42
    "inc     @ebx",           // 43
    "inc     @esp",           // 44
    "inc     @ebp",           // 45
    "inc     @esi",           // 46
    "inc     @edi",           // 47
    "dec     @eax",           // 48
    "dec     @ecx",           // 49
    "dec     @edx",           // 4A
    "dec     @ebx",           // 4B
    "dec     @esp",           // 4C
    "dec     @ebp",           // 4D
    "dec     @esi",           // 4E
    "dec     @edi",           // 4F
    "push    @eax",           // 50
    "push    @ecx",           // 51
    "push    @edx",           // 52
    "push    @ebx",           // 53
    "push    @esp",           // 54
    "push    @ebp",           // 55
    "push    @esi",           // 56
    "push    @edi",           // 57
    "pop     @eax",           // 58
    "pop     @ecx",           // 59
    "pop     @edx",           // 5A
    "pop     @ebx",           // 5B
    "pop     @esp",           // 5C
    "pop     @ebp",           // 5D
    "pop     @esi",           // 5E
    "pop     @edi",           // 5F
    "pusha@o4",               // 60
    "popa@o4",                // 61
    "bound   #Gv, #Ma",       // 62
    "arpl    #Ew, #Gw",       // 63
    "@pf",                    // 64
    "@pg",                    // 65
    "@so",                    // 66
    "@sa",                    // 67
    "push    #Iv",            // 68
    "imul    #Gv, #Ev, #Iv",  // 69
    "push    #Ib",            // 6A
    "imul    #Gv, #Ev, #Ib",  // 6B
    "insb",                   // 6C
    "ins@o4",                 // 6D
    "outsb",                  // 6E
    "outs@o4",                // 6F
    "jo      #Jb",            // 70
    "jno     #Jb",            // 71
    "jb      #Jb",            // 72
    "jnb     #Jb",            // 73
    "jz      #Jb",            // 74
    "jnz     #Jb",            // 75
    "jbe     #Jb",            // 76
    "jnbe    #Jb",            // 77
    "js      #Jb",            // 78
    "jns     #Jb",            // 79
    "jp      #Jb",            // 7A
    "jnp     #Jb",            // 7B
    "jl      #Jb",            // 7C
    "jnl     #Jb",            // 7D
    "jle     #Jb",            // 7E
    "jnle    #Jb",            // 7F
    "@ga#Eb, #Ib",            // 80
    "@ga#Ev, #Iv",            // 81
    "@ga#Eb, #Ib",            // 82
    "@ga#Ev, #Ib",            // 83
    "test    #Eb, #Gb",       // 84
    "test    #Ev, #Gv",       // 85
    "xchg    #Eb, #Gb",       // 86
    "xchg    #Ev, #Gv",       // 87
    "mov     #Eb, #Gb",       // 88
    "mov     #Ev, #Gv",       // 89
    "mov     #Gb, #Eb",       // 8A
    "mov     #Gv, #Ev",       // 8B
    "mov     #Ev, #Sw",       // 8C
    "lea     #Gv, #Mv",       // 8D
    "mov     #Sw, #Ev",       // 8E
    "pop     #Ev@h3",         // 8F
    "nop",                    // 90
    "xchg    @eax, @ecx",     // 91
    "xchg    @eax, @edx",     // 92
    "xchg    @eax, @ebx",     // 93
    "xchg    @eax, @esp",     // 94
    "xchg    @eax, @ebp",     // 95
    "xchg    @eax, @esi",     // 96
    "xchg    @eax, @edi",     // 97
    "c@o2@o4@e",              // 98
    "c@o4@o8",                // 99
    "call    #Ap",            // 9A
    "wait",                   // 9B
    "pushf@o4#Fv",            // 9C
    "popf@o4#Fv",             // 9D
    "sahf",                   // 9E
    "lahf",                   // 9F
    "mov     al, #Ob",        // A0
    "mov     @eax, #Ov",      // A1
    "mov     #Ob, al",        // A2
    "mov     #Ov, @eax",      // A3
    "movsb",                  // A4
    "movs@o4",                // A5
    "cmpsb",                  // A6
    "cmps@o4",                // A7
    "test    al, #Ib",        // A8
    "test    @eax, #Iv",      // A9
    "stosb",                  // AA
    "stos@o4",                // AB
    "lodsb",                  // AC
    "lods@o4",                // AD
    "scasb",                  // AE
    "scas@o4",                // AF
    "mov     al, #Ib",        // B0
    "mov     cl, #Ib",        // B1
    "mov     dl, #Ib",        // B2
    "mov     bl, #Ib",        // B3
    "mov     ah, #Ib",        // B4
    "mov     ch, #Ib",        // B5
    "mov     dh, #Ib",        // B6
    "mov     bh, #Ib",        // B7
    "mov     @eax, #Iv",      // B8
    "mov     @ecx, #Iv",      // B9
    "mov     @edx, #Iv",      // BA
    "mov     @ebx, #Iv",      // BB
    "mov     @esp, #Iv",      // BC
    "mov     @ebp, #Iv",      // BD
    "mov     @esi, #Iv",      // BE
    "mov     @edi, #Iv",      // BF
    "@gb#Eb, #Ib",            // C0
    "@gb#Ev, #Ib",            // C1
    "ret     #Iw",            // C2
    "ret",                    // C3
    "les     #Gv, #Mp",       // C4
    "lds     #Gv, #Mp",       // C5
    "mov     #Eb, #Ib@h3",    // C6
    "mov     #Ev, #Iv@h3",    // C7
    "enter   #Iw, #Ib",       // C8
    "leave",                  // C9
    "retf    #Iw",            // CA
    "retf",                   // CB
    "int     3",              // CC
    "int     #Ib",            // CD
    "into",                   // CE
    "iret@o4",                // CF
    "@gb#Eb, 1",              // D0
    "@gb#Ev, 1",              // D1
    "@gb#Eb, cl",             // D2
    "@gb#Ev, cl",             // D3
    "aam     #Ib",            // D4
    "aad     #Ib",            // D5
    "%c",                     // D6
    "xlat",                   // D7
    "@ca",                    // D8
    "@cb",                    // D9
    "@cc",                    // DA
    "@cd",                    // DB
    "@ce",                    // DC
    "@cf",                    // DD
    "@cg",                    // DE
    "@ch",                    // DF
    "loopne  #Jb",            // E0
    "loope   #Jb",            // E1
    "loop    #Jb",            // E2
    "jecxz   #Jb",            // E3
    "in      al, #Ib",        // E4
    "in      @eax, #Ib",      // E5
    "out     #Ib, al",        // E6
    "out     #Ib, @eax",      // E7
    "call    #Jv",            // E8
    "jmp     #Jv",            // E9
    "jmp     #Ap",            // EA
    "jmp     #Jb",            // EB
    "in      al, dx",         // EC
    "in      @eax, dx",       // ED
    "out     dx, al",         // EE
    "out     dx, @eax",       // EF
    "lock @c1",               // F0
    "%c",                     // F1
    "repne @c1",              // F2
    "rep @c1",                // F3
    "hlt",                    // F4
    "cmc",                    // F5
    "@gc#Eb@h1",              // F6
    "@gc#Ev@h2",              // F7
    "clc",                    // F8
    "stc",                    // F9
    "cli",                    // FA
    "sti",                    // FB
    "cld",                    // FC
    "std",                    // FD
    "@gd",                    // FE
    "@ge",                    // FF

    // Two-byte opcodes (after 0F), by the second byte.
    "@gf",                    // 0F 00
    "@gg",                    // 0F 01
    "lar     #Gv, #Ew",       // 0F 02
    "lsl     #Gv, #Ew",       // 0F 03
    "%c",                     // 0F 04
    "%c",                     // 0F 05
    "clts",                   // 0F 06
    "%c",                     // 0F 07
    "invd",                   // 0F 08
    "wbinvd",                 // 0F 09
    "%c",                     // 0F 0A
    "ud2",                    // 0F 0B
    "%c",                     // 0F 0C
    "%c",                     // 0F 0D
    "%c",                     // 0F 0E
    "%c",                     // 0F 0F
    "%c",                     // 0F 10
    "%c",                     // 0F 11
    "%c",                     // 0F 12
    "%c",                     // 0F 13
    "%c",                     // 0F 14
    "%c",                     // 0F 15
    "%c",                     // 0F 16
    "%c",                     // 0F 17
    "%c",                     // 0F 18
    "%c",                     // 0F 19
    "%c",                     // 0F 1A
    "%c",                     // 0F 1B
    "%c",                     // 0F 1C
    "%c",                     // 0F 1D
    "%c",                     // 0F 1E
    "nop     #Ev",            // 0F 1F
    "mov     #Rd, #Cd",       // 0F 20
    "mov     #Rd, #Dd",       // 0F 21
    "mov     #Cd, #Rd",       // 0F 22
    "mov     #Dd, #Rd",       // 0F 23
    "mov     #Rd, #Td",       // 0F 24
    "%c",                     // 0F 25
    "mov     #Td, #Rd",       // 0F 26
    "%c",                     // 0F 27
    "%c",                     // 0F 28
    "%c",                     // 0F 29
    "%c",                     // 0F 2A
    "%c",                     // 0F 2B
    "%c",                     // 0F 2C
    "%c",                     // 0F 2D
    "%c",                     // 0F 2E
    "%c",                     // 0F 2F
    "wrmsr",                  // 0F 30
    "rdtsc",                  // 0F 31
    "rdmsr",                  // 0F 32
    "rdpmc",                  // 0F 33
    "sysenter",               // 0F 34
    "sysexit",                // 0F 35
    "%c",                     // 0F 36
    "%c",                     // 0F 37
    "%c",                     // 0F 38
    "%c",                     // 0F 39
    "%c",                     // 0F 3A
    "%c",                     // 0F 3B
    "%c",                     // 0F 3C
    "%c",                     // 0F 3D
    "%c",                     // 0F 3E
    "%c",                     // 0F 3F
    "cmovo   #Gv, #Ev",       // 0F 40
    "cmovno  #Gv, #Ev",       // 0F 41
    "cmovb   #Gv, #Ev",       // 0F 42
    "cmovnb  #Gv, #Ev",       // 0F 43
    "cmovz   #Gv, #Ev",       // 0F 44
    "cmovnz  #Gv, #Ev",       // 0F 45
    "cmovbe  #Gv, #Ev",       // 0F 46
    "cmovnbe #Gv, #Ev",       // 0F 47
    "cmovs   #Gv, #Ev",       // 0F 48
    "cmovns  #Gv, #Ev",       // 0F 49
    "cmovp   #Gv, #Ev",       // 0F 4A
    "cmovnp  #Gv, #Ev",       // 0F 4B
    "cmovl   #Gv, #Ev",       // 0F 4C
    "cmovnl  #Gv, #Ev",       // 0F 4D
    "cmovle  #Gv, #Ev",       // 0F 4E
    "cmovnle #Gv, #Ev",       // 0F 4F
    "%c",                     // 0F 50
    "%c",                     // 0F 51
    "%c",                     // 0F 52
    "%c",                     // 0F 53
    "%c",                     // 0F 54
    "%c",                     // 0F 55
    "%c",                     // 0F 56
    "%c",                     // 0F 57
    "%c",                     // 0F 58
    "%c",                     // 0F 59
    "%c",                     // 0F 5A
    "%c",                     // 0F 5B
    "%c",                     // 0F 5C
    "%c",                     // 0F 5D
    "%c",                     // 0F 5E
    "%c",                     // 0F 5F
    "punpcklbw #Pq, #Qd",     // 0F 60
    "punpcklwd #Pq, #Qd",     // 0F 61
    "punpckldq #Pq, #Qd",     // 0F 62
    "packsswb #Pq, #Qq",      // 0F 63
    "pcmpgtb #Pq, #Qq",       // 0F 64
    "pcmpgtw #Pq, #Qq",       // 0F 65
    "pcmpgtd #Pq, #Qq",       // 0F 66
    "packuswb #Pq, #Qq",      // 0F 67
    "punpckhbw #Pq, #Qq",     // 0F 68
    "punpckhwd #Pq, #Qq",     // 0F 69
    "punpckhdq #Pq, #Qq",     // 0F 6A
    "packssdw #Pq, #Qq",      // 0F 6B
    "%c",                     // 0F 6C
    "%c",                     // 0F 6D
    "movd    #Pd, #Ed",       // 0F 6E
    "movq    #Pq, #Qq",       // 0F 6F
    "%c",                     // 0F 70
    "@giw   #Rq, #Ib",        // 0F 71
    "@gid   #Rq, #Ib",        // 0F 72
    "@gj",                    // 0F 73
    "pcmpeqb #Pq, #Qq",       // 0F 74
    "pcmpeqw #Pq, #Qq",       // 0F 75
    "pcmpeqd #Pq, #Qq",       // 0F 76
    "emms",                   // 0F 77
    "%c",                     // 0F 78
    "%c",                     // 0F 79
    "%c",                     // 0F 7A
    "%c",                     // 0F 7B
    "%c",                     // 0F 7C
    "%c",                     // 0F 7D
    "movd    #Ed, #Pd",       // 0F 7E
    "movq    #Qq, #Pq",       // 0F 7F
    "jo      #Jv",            // 0F 80
    "jno     #Jv",            // 0F 81
    "jb      #Jv",            // 0F 82
    "jnb     #Jv",            // 0F 83
    "jz      #Jv",            // 0F 84
    "jnz     #Jv",            // 0F 85
    "jbe     #Jv",            // 0F 86
    "jnbe    #Jv",            // 0F 87
    "js      #Jv",            // 0F 88
    "jns     #Jv",            // 0F 89
    "jp      #Jv",            // 0F 8A
    "jnp     #Jv",            // 0F 8B
    "jl      #Jv",            // 0F 8C
    "jnl     #Jv",            // 0F 8D
    "jle     #Jv",            // 0F 8E
    "jnle    #Jv",            // 0F 8F
    "seto    #Eb",            // 0F 90
    "setno   #Eb",            // 0F 91
    "setb    #Eb",            // 0F 92
    "setnb   #Eb",            // 0F 93
    "setz    #Eb",            // 0F 94
    "setnz   #Eb",            // 0F 95
    "setbe   #Eb",            // 0F 96
    "setnbe  #Eb",            // 0F 97
    "sets    #Eb",            // 0F 98
    "setns   #Eb",            // 0F 99
    "setp    #Eb",            // 0F 9A
    "setnp   #Eb",            // 0F 9B
    "setl    #Eb",            // 0F 9C
    "setnl   #Eb",            // 0F 9D
    "setle   #Eb",            // 0F 9E
    "setnle  #Eb",            // 0F 9F
    "push    fs",             // 0F A0
    "pop     fs",             // 0F A1
    "cpuid",                  // 0F A2
    "bt      #Ev, #Gv",       // 0F A3
    "shld    #Ev, #Gv, #Ib",  // 0F A4
    "shld    #Ev, #Gv, cl",   // 0F A5
    "%c",                     // 0F A6
    "%c",                     // 0F A7
    "push    gs",             // 0F A8
    "pop     gs",             // 0F A9
    "rsm",                    // 0F AA
    "bts     #Ev, #Gv",       // 0F AB
    "shrd    #Ev, #Gv, #Ib",  // 0F AC
    "shrd    #Ev, #Gv, cl",   // 0F AD
    "%c",                     // 0F AE
    "imul    #Gv, #Ev",       // 0F AF
    "cmpxchg #Eb, #Gb",       // 0F B0
    "cmpxchg #Ev, #Gv",       // 0F B1
    "lss     #Gv, #Mp",       // 0F B2
    "btr     #Ev, #Gv",       // 0F B3
    "lfs     #Gv, #Mp",       // 0F B4
    "lgs     #Gv, #Mp",       // 0F B5
    "movzx   #Gv, @m#Eb",     // 0F B6
    "movzx   #Gv, @m#Ew",     // 0F B7
    "%c",                     // 0F B8
    "%c",                     // 0F B9
    "@h4",                    // 0F BA
    "btc     #Ev, #Gv",       // 0F BB
    "bsf     #Gv, #Ev",       // 0F BC
    "bsr     #Gv, #Ev",       // 0F BD
    "movsx   #Gv, @m#Eb",     // 0F BE
    "movsx   #Gv, @m#Ew",     // 0F BF
    "xadd    #Eb, #Gb",       // 0F C0
    "xadd    #Ev, #Gv",       // 0F C1
    "%c",                     // 0F C2
    "%c",                     // 0F C3
    "%c",                     // 0F C4
    "%c",                     // 0F C5
    "%c",                     // 0F C6
    "@gh",                    // 0F C7
    "bswap   @eax",           // 0F C8
    "bswap   @ecx",           // 0F C9
    "bswap   @edx",           // 0F CA
    "bswap   @ebx",           // 0F CB
    "bswap   @esp",           // 0F CC
    "bswap   @ebp",           // 0F CD
    "bswap   @esi",           // 0F CE
    "bswap   @edi",           // 0F CF
    "%c",                     // 0F D0
    "psrlw   #Pq, #Qq",       // 0F D1
    "psrld   #Pq, #Qq",       // 0F D2
    "psrlq   #Pq, #Qq",       // 0F D3
    "%c",                     // 0F D4
    "pmullw  #Pq, #Qq",       // 0F D5
    "%c",                     // 0F D6
    "%c",                     // 0F D7
    "psubusb #Pq, #Qq",       // 0F D8
    "psubusw #Pq, #Qq",       // 0F D9
    "%c",                     // 0F DA
    "pand    #Pq, #Qq",       // 0F DB
    "paddusb #Pq, #Qq",       // 0F DC
    "paddusw #Pq, #Qq",       // 0F DD
    "%c",                     // 0F DE
    "pandn   #Pq, #Qq",       // 0F DF
    "%c",                     // 0F E0
    "psraw   #Pq, #Qq",       // 0F E1
    "psrad   #Pq, #Qq",       // 0F E2
    "%c",                     // 0F E3
    "%c",                     // 0F E4
    "pmulhw  #Pq, #Qq",       // 0F E5
    "%c",                     // 0F E6
    "%c",                     // 0F E7
    "psubsb  #Pq, #Qq",       // 0F E8
    "psubsw  #Pq, #Qq",       // 0F E9
    "%c",                     // 0F EA
    "por     #Pq, #Qq",       // 0F EB
    "paddsb  #Pq, #Qq",       // 0F EC
    "paddsw  #Pq, #Qq",       // 0F ED
    "%c",                     // 0F EE
    "pxor    #Pq, #Qq",       // 0F EF
    "%c",                     // 0F F0
    "psllw   #Pq, #Qq",       // 0F F1
    "pslld   #Pq, #Qq",       // 0F F2
    "psllq   #Pq, #Qq",       // 0F F3
    "%c",                     // 0F F4
    "pmaddwd #Pq, #Qq",       // 0F F5
    "%c",                     // 0F F6
    "%c",                     // 0F F7
    "psubb   #Pq, #Qq",       // 0F F8
    "psubw   #Pq, #Qq",       // 0F F9
    "psubd   #Pq, #Qq",       // 0F FA
    "%c",                     // 0F FB
    "paddb   #Pq, #Qq",       // 0F FC
    "paddw   #Pq, #Qq",       // 0F FD
    "paddd   #Pq, #Qq",       // 0F FE
    "%c",                     // 0F FF

    // Groups, 8 entries each by bits 3-5 of the ModR/M byte: a = 1 (80-83), b = 2 (shifts C0,
    // C1, D0-D3), c = 3 (F6, F7), d = 4 (FE), e = 5 (FF), f = 6 (0F 00), g = 7 (0F 01),
    // h = 9 (0F C7), i = the mnemonic stems of 12 and 13 (0F 71, 0F 72: their templates add the
    // size letter and the operands), j = 14 (0F 73).
    "add     ",          // group a /0
    "or      ",          // group a /1
    "adc     ",          // group a /2
    "sbb     ",          // group a /3
    "and     ",          // group a /4
    "sub     ",          // group a /5
    "xor     ",          // group a /6
    "cmp     ",          // group a /7
    "rol     ",          // group b /0
    "ror     ",          // group b /1
    "rcl     ",          // group b /2
    "rcr     ",          // group b /3
    "shl     ",          // group b /4
    "shr     ",          // group b /5
    "shl     ",          // group b /6
    "sar     ",          // group b /7
    "test    ",          // group c /0
    "test    ",          // group c /1
    "not     ",          // group c /2
    "neg     ",          // group c /3
    "mul     ",          // group c /4
    "imul    ",          // group c /5
    "div     ",          // group c /6
    "idiv    ",          // group c /7
    "inc     #Eb",       // group d /0
    "dec     #Eb",       // group d /1
    "%c",                // group d /2
    "%c",                // group d /3
    "%c",                // group d /4
    "%c",                // group d /5
    "%c",                // group d /6
    "%c",                // group d /7
    "inc     #Ev",       // group e /0
    "dec     #Ev",       // group e /1
    "call    #Ev",       // group e /2
    "call    #Mp",       // group e /3
    "jmp     #Ev",       // group e /4
    "jmp     #Mp",       // group e /5
    "push    #Ev",       // group e /6
    "%c",                // group e /7
    "sldt    #Ew",       // group f /0
    "str     #Ew",       // group f /1
    "lldt    #Ew",       // group f /2
    "ltr     #Ew",       // group f /3
    "verr    #Ew",       // group f /4
    "verw    #Ew",       // group f /5
    "%c",                // group f /6
    "%c",                // group f /7
    "sgdt    #Ms",       // group g /0
    "sidt    #Ms",       // group g /1
    "lgdt    #Ms",       // group g /2
    "lidt    #Ms",       // group g /3
    "smsw    #Ew",       // group g /4
    "%c",                // group g /5
    "lmsw    #Ew",       // group g /6
    "invlpg  #Mb",       // group g /7
    "%c",                // group h /0
    "cmpxchg8b #Mq",     // group h /1
    "%c",                // group h /2
    "%c",                // group h /3
    "%c",                // group h /4
    "%c",                // group h /5
    "%c",                // group h /6
    "%c",                // group h /7
    "%c",                // group i /0
    "%c",                // group i /1
    "psrl",              // group i /2
    "%c",                // group i /3
    "psra",              // group i /4
    "%c",                // group i /5
    "psll",              // group i /6
    "%c",                // group i /7
    "%c",                // group j /0
    "%c",                // group j /1
    "psrlq   #Rq, #Ib",  // group j /2
    "%c",                // group j /3
    "%c",                // group j /4
    "%c",                // group j /5
    "psllq   #Rq, #Ib",  // group j /6
    "%c",                // group j /7

    // Operand tails, 8 entries each by bits 3-5 of the ModR/M byte: 1 and 2 = what follows the
    // first operand of group 3 (F6, F7); 3 = nothing after /0, the only valid form of groups 1A
    // and 11 (8F, C6, C7); 4 = group 8 (0F BA).
    ", #Ib",             // tail 1 /0
    ", #Ib",             // tail 1 /1
    "",                  // tail 1 /2
    "",                  // tail 1 /3
    "",                  // tail 1 /4
    "",                  // tail 1 /5
    "",                  // tail 1 /6
    "",                  // tail 1 /7
    ", #Iv",             // tail 2 /0
    ", #Iv",             // tail 2 /1
    "",                  // tail 2 /2
    "",                  // tail 2 /3
    "",                  // tail 2 /4
    "",                  // tail 2 /5
    "",                  // tail 2 /6
    "",                  // tail 2 /7
    "",                  // tail 3 /0
    "%c",                // tail 3 /1
    "%c",                // tail 3 /2
    "%c",                // tail 3 /3
    "%c",                // tail 3 /4
    "%c",                // tail 3 /5
    "%c",                // tail 3 /6
    "%c",                // tail 3 /7
    "%c",                // tail 4 /0
    "%c",                // tail 4 /1
    "%c",                // tail 4 /2
    "%c",                // tail 4 /3
    "bt      #Ev, #Ib",  // tail 4 /4
    "bts     #Ev, #Ib",  // tail 4 /5
    "btr     #Ev, #Ib",  // tail 4 /6
    "btc     #Ev, #Ib",  // tail 4 /7

    // x87 escapes D8 to DF, 72 entries each: the memory forms by bits 3-5 of the ModR/M byte,
    // then the register forms by ModR/M - C0.
    "fadd    #Md",            // D8 /0
    "fmul    #Md",            // D8 /1
    "fcom    #Md",            // D8 /2
    "fcomp   #Md",            // D8 /3
    "fsub    #Md",            // D8 /4
    "fsubr   #Md",            // D8 /5
    "fdiv    #Md",            // D8 /6
    "fdivr   #Md",            // D8 /7
    "fadd    st(0), st(0)",   // D8 C0
    "fadd    st(0), st(1)",   // D8 C1
    "fadd    st(0), st(2)",   // D8 C2
    "fadd    st(0), st(3)",   // D8 C3
    "fadd    st(0), st(4)",   // D8 C4
    "fadd    st(0), st(5)",   // D8 C5
    "fadd    st(0), st(6)",   // D8 C6
    "fadd    st(0), st(7)",   // D8 C7
    "fmul    st(0), st(0)",   // D8 C8
    "fmul    st(0), st(1)",   // D8 C9
    "fmul    st(0), st(2)",   // D8 CA
    "fmul    st(0), st(3)",   // D8 CB
    "fmul    st(0), st(4)",   // D8 CC
    "fmul    st(0), st(5)",   // D8 CD
    "fmul    st(0), st(6)",   // D8 CE
    "fmul    st(0), st(7)",   // D8 CF
    "fcom    st(0)",          // D8 D0
    "fcom    st(1)",          // D8 D1
    "fcom    st(2)",          // D8 D2
    "fcom    st(3)",          // D8 D3
    "fcom    st(4)",          // D8 D4
    "fcom    st(5)",          // D8 D5
    "fcom    st(6)",          // D8 D6
    "fcom    st(7)",          // D8 D7
    "fcomp   st(0)",          // D8 D8
    "fcomp   st(1)",          // D8 D9
    "fcomp   st(2)",          // D8 DA
    "fcomp   st(3)",          // D8 DB
    "fcomp   st(4)",          // D8 DC
    "fcomp   st(5)",          // D8 DD
    "fcomp   st(6)",          // D8 DE
    "fcomp   st(7)",          // D8 DF
    "fsub    st(0), st(0)",   // D8 E0
    "fsub    st(0), st(1)",   // D8 E1
    "fsub    st(0), st(2)",   // D8 E2
    "fsub    st(0), st(3)",   // D8 E3
    "fsub    st(0), st(4)",   // D8 E4
    "fsub    st(0), st(5)",   // D8 E5
    "fsub    st(0), st(6)",   // D8 E6
    "fsub    st(0), st(7)",   // D8 E7
    "fsubr   st(0), st(0)",   // D8 E8
    "fsubr   st(0), st(1)",   // D8 E9
    "fsubr   st(0), st(2)",   // D8 EA
    "fsubr   st(0), st(3)",   // D8 EB
    "fsubr   st(0), st(4)",   // D8 EC
    "fsubr   st(0), st(5)",   // D8 ED
    "fsubr   st(0), st(6)",   // D8 EE
    "fsubr   st(0), st(7)",   // D8 EF
    "fdiv    st(0), st(0)",   // D8 F0
    "fdiv    st(0), st(1)",   // D8 F1
    "fdiv    st(0), st(2)",   // D8 F2
    "fdiv    st(0), st(3)",   // D8 F3
    "fdiv    st(0), st(4)",   // D8 F4
    "fdiv    st(0), st(5)",   // D8 F5
    "fdiv    st(0), st(6)",   // D8 F6
    "fdiv    st(0), st(7)",   // D8 F7
    "fdivr   st(0), st(0)",   // D8 F8
    "fdivr   st(0), st(1)",   // D8 F9
    "fdivr   st(0), st(2)",   // D8 FA
    "fdivr   st(0), st(3)",   // D8 FB
    "fdivr   st(0), st(4)",   // D8 FC
    "fdivr   st(0), st(5)",   // D8 FD
    "fdivr   st(0), st(6)",   // D8 FE
    "fdivr   st(0), st(7)",   // D8 FF
    "fld     #Md",            // D9 /0
    "%c",                     // D9 /1
    "fst     #Md",            // D9 /2
    "fstp    #Md",            // D9 /3
    "fldenv  #Ms",            // D9 /4
    "fldcw   #Mw",            // D9 /5
    "fnstenv #Ms",            // D9 /6
    "fnstcw  #Mw",            // D9 /7
    "fld     st(0)",          // D9 C0
    "fld     st(1)",          // D9 C1
    "fld     st(2)",          // D9 C2
    "fld     st(3)",          // D9 C3
    "fld     st(4)",          // D9 C4
    "fld     st(5)",          // D9 C5
    "fld     st(6)",          // D9 C6
    "fld     st(7)",          // D9 C7
    "fxch    st(0)",          // D9 C8
    "fxch    st(1)",          // D9 C9
    "fxch    st(2)",          // D9 CA
    "fxch    st(3)",          // D9 CB
    "fxch    st(4)",          // D9 CC
    "fxch    st(5)",          // D9 CD
    "fxch    st(6)",          // D9 CE
    "fxch    st(7)",          // D9 CF
    "fnop",                   // D9 D0
    "%c",                     // D9 D1
    "%c",                     // D9 D2
    "%c",                     // D9 D3
    "%c",                     // D9 D4
    "%c",                     // D9 D5
    "%c",                     // D9 D6
    "%c",                     // D9 D7
    "%c",                     // D9 D8
    "%c",                     // D9 D9
    "%c",                     // D9 DA
    "%c",                     // D9 DB
    "%c",                     // D9 DC
    "%c",                     // D9 DD
    "%c",                     // D9 DE
    "%c",                     // D9 DF
    "fchs",                   // D9 E0
    "fabs",                   // D9 E1
    "%c",                     // D9 E2
    "%c",                     // D9 E3
    "ftst",                   // D9 E4
    "fxam",                   // D9 E5
    "%c",                     // D9 E6
    "%c",                     // D9 E7
    "fld1",                   // D9 E8
    "fldl2t",                 // D9 E9
    "fldl2e",                 // D9 EA
    "fldpi",                  // D9 EB
    "fldlg2",                 // D9 EC
    "fldln2",                 // D9 ED
    "fldz",                   // D9 EE
    "%c",                     // D9 EF
    "f2xm1",                  // D9 F0
    "fyl2x",                  // D9 F1
    "fptan",                  // D9 F2
    "fpatan",                 // D9 F3
    "fxtract",                // D9 F4
    "fprem1",                 // D9 F5
    "fdecstp",                // D9 F6
    "fincstp",                // D9 F7
    "fprem",                  // D9 F8
    "fyl2xp1",                // D9 F9
    "fsqrt",                  // D9 FA
    "fsincos",                // D9 FB
    "frndint",                // D9 FC
    "fscale",                 // D9 FD
    "fsin",                   // D9 FE
    "fcos",                   // D9 FF
    "fiadd   #Md",            // DA /0
    "fimul   #Md",            // DA /1
    "ficom   #Md",            // DA /2
    "ficomp  #Md",            // DA /3
    "fisub   #Md",            // DA /4
    "fisubr  #Md",            // DA /5
    "fidiv   #Md",            // DA /6
    "fidivr  #Md",            // DA /7
    "fcmovb  st(0), st(0)",   // DA C0
    "fcmovb  st(0), st(1)",   // DA C1
    "fcmovb  st(0), st(2)",   // DA C2
    "fcmovb  st(0), st(3)",   // DA C3
    "fcmovb  st(0), st(4)",   // DA C4
    "fcmovb  st(0), st(5)",   // DA C5
    "fcmovb  st(0), st(6)",   // DA C6
    "fcmovb  st(0), st(7)",   // DA C7
    "fcmove  st(0), st(0)",   // DA C8
    "fcmove  st(0), st(1)",   // DA C9
    "fcmove  st(0), st(2)",   // DA CA
    "fcmove  st(0), st(3)",   // DA CB
    "fcmove  st(0), st(4)",   // DA CC
    "fcmove  st(0), st(5)",   // DA CD
    "fcmove  st(0), st(6)",   // DA CE
    "fcmove  st(0), st(7)",   // DA CF
    "fcmovbe st(0), st(0)",   // DA D0
    "fcmovbe st(0), st(1)",   // DA D1
    "fcmovbe st(0), st(2)",   // DA D2
    "fcmovbe st(0), st(3)",   // DA D3
    "fcmovbe st(0), st(4)",   // DA D4
    "fcmovbe st(0), st(5)",   // DA D5
    "fcmovbe st(0), st(6)",   // DA D6
    "fcmovbe st(0), st(7)",   // DA D7
    "fcmovu  st(0), st(0)",   // DA D8
    "fcmovu  st(0), st(1)",   // DA D9
    "fcmovu  st(0), st(2)",   // DA DA
    "fcmovu  st(0), st(3)",   // DA DB
    "fcmovu  st(0), st(4)",   // DA DC
    "fcmovu  st(0), st(5)",   // DA DD
    "fcmovu  st(0), st(6)",   // DA DE
    "fcmovu  st(0), st(7)",   // DA DF
    "%c",                     // DA E0
    "%c",                     // DA E1
    "%c",                     // DA E2
    "%c",                     // DA E3
    "%c",                     // DA E4
    "%c",                     // DA E5
    "%c",                     // DA E6
    "%c",                     // DA E7
    "%c",                     // DA E8
    "fucompp",                // DA E9
    "%c",                     // DA EA
    "%c",                     // DA EB
    "%c",                     // DA EC
    "%c",                     // DA ED
    "%c",                     // DA EE
    "%c",                     // DA EF
    "%c",                     // DA F0
    "%c",                     // DA F1
    "%c",                     // DA F2
    "%c",                     // DA F3
    "%c",                     // DA F4
    "%c",                     // DA F5
    "%c",                     // DA F6
    "%c",                     // DA F7
    "%c",                     // DA F8
    "%c",                     // DA F9
    "%c",                     // DA FA
    "%c",                     // DA FB
    "%c",                     // DA FC
    "%c",                     // DA FD
    "%c",                     // DA FE
    "%c",                     // DA FF
    "fild    #Md",            // DB /0
    "%c",                     // DB /1
    "fist    #Md",            // DB /2
    "fistp   #Md",            // DB /3
    "%c",                     // DB /4
    "fld     #Mt",            // DB /5
    "%c",                     // DB /6
    "fstp    #Mt",            // DB /7
    "fcmovnb st(0), st(0)",   // DB C0
    "fcmovnb st(0), st(1)",   // DB C1
    "fcmovnb st(0), st(2)",   // DB C2
    "fcmovnb st(0), st(3)",   // DB C3
    "fcmovnb st(0), st(4)",   // DB C4
    "fcmovnb st(0), st(5)",   // DB C5
    "fcmovnb st(0), st(6)",   // DB C6
    "fcmovnb st(0), st(7)",   // DB C7
    "fcmovne st(0), st(0)",   // DB C8
    "fcmovne st(0), st(1)",   // DB C9
    "fcmovne st(0), st(2)",   // DB CA
    "fcmovne st(0), st(3)",   // DB CB
    "fcmovne st(0), st(4)",   // DB CC
    "fcmovne st(0), st(5)",   // DB CD
    "fcmovne st(0), st(6)",   // DB CE
    "fcmovne st(0), st(7)",   // DB CF
    "fcmovnbe st(0), st(0)",  // DB D0
    "fcmovnbe st(0), st(1)",  // DB D1
    "fcmovnbe st(0), st(2)",  // DB D2
    "fcmovnbe st(0), st(3)",  // DB D3
    "fcmovnbe st(0), st(4)",  // DB D4
    "fcmovnbe st(0), st(5)",  // DB D5
    "fcmovnbe st(0), st(6)",  // DB D6
    "fcmovnbe st(0), st(7)",  // DB D7
    "fcmovnu st(0), st(0)",   // DB D8
    "fcmovnu st(0), st(1)",   // DB D9
    "fcmovnu st(0), st(2)",   // DB DA
    "fcmovnu st(0), st(3)",   // DB DB
    "fcmovnu st(0), st(4)",   // DB DC
    "fcmovnu st(0), st(5)",   // DB DD
    "fcmovnu st(0), st(6)",   // DB DE
    "fcmovnu st(0), st(7)",   // DB DF
    "%c",                     // DB E0
    "%c",                     // DB E1
    "fnclex",                 // DB E2
    "fninit",                 // DB E3
    "%c",                     // DB E4
    "%c",                     // DB E5
    "%c",                     // DB E6
    "%c",                     // DB E7
    "fucomi  st(0), st(0)",   // DB E8
    "fucomi  st(0), st(1)",   // DB E9
    "fucomi  st(0), st(2)",   // DB EA
    "fucomi  st(0), st(3)",   // DB EB
    "fucomi  st(0), st(4)",   // DB EC
    "fucomi  st(0), st(5)",   // DB ED
    "fucomi  st(0), st(6)",   // DB EE
    "fucomi  st(0), st(7)",   // DB EF
    "fcomi   st(0), st(0)",   // DB F0
    "fcomi   st(0), st(1)",   // DB F1
    "fcomi   st(0), st(2)",   // DB F2
    "fcomi   st(0), st(3)",   // DB F3
    "fcomi   st(0), st(4)",   // DB F4
    "fcomi   st(0), st(5)",   // DB F5
    "fcomi   st(0), st(6)",   // DB F6
    "fcomi   st(0), st(7)",   // DB F7
    "%c",                     // DB F8
    "%c",                     // DB F9
    "%c",                     // DB FA
    "%c",                     // DB FB
    "%c",                     // DB FC
    "%c",                     // DB FD
    "%c",                     // DB FE
    "%c",                     // DB FF
    "fadd    #Mq",            // DC /0
    "fmul    #Mq",            // DC /1
    "fcom    #Mq",            // DC /2
    "fcomp   #Mq",            // DC /3
    "fsub    #Mq",            // DC /4
    "fsubr   #Mq",            // DC /5
    "fdiv    #Mq",            // DC /6
    "fdivr   #Mq",            // DC /7
    "fadd    st(0), st(0)",   // DC C0
    "fadd    st(1), st(0)",   // DC C1
    "fadd    st(2), st(0)",   // DC C2
    "fadd    st(3), st(0)",   // DC C3
    "fadd    st(4), st(0)",   // DC C4
    "fadd    st(5), st(0)",   // DC C5
    "fadd    st(6), st(0)",   // DC C6
    "fadd    st(7), st(0)",   // DC C7
    "fmul    st(0), st(0)",   // DC C8
    "fmul    st(1), st(0)",   // DC C9
    "fmul    st(2), st(0)",   // DC CA
    "fmul    st(3), st(0)",   // DC CB
    "fmul    st(4), st(0)",   // DC CC
    "fmul    st(5), st(0)",   // DC CD
    "fmul    st(6), st(0)",   // DC CE
    "fmul    st(7), st(0)",   // DC CF
    "%c",                     // DC D0
    "%c",                     // DC D1
    "%c",                     // DC D2
    "%c",                     // DC D3
    "%c",                     // DC D4
    "%c",                     // DC D5
    "%c",                     // DC D6
    "%c",                     // DC D7
    "%c",                     // DC D8
    "%c",                     // DC D9
    "%c",                     // DC DA
    "%c",                     // DC DB
    "%c",                     // DC DC
    "%c",                     // DC DD
    "%c",                     // DC DE
    "%c",                     // DC DF
    "fsubr   st(0), st(0)",   // DC E0
    "fsubr   st(1), st(0)",   // DC E1
    "fsubr   st(2), st(0)",   // DC E2
    "fsubr   st(3), st(0)",   // DC E3
    "fsubr   st(4), st(0)",   // DC E4
    "fsubr   st(5), st(0)",   // DC E5
    "fsubr   st(6), st(0)",   // DC E6
    "fsubr   st(7), st(0)",   // DC E7
    "fsub    st(0), st(0)",   // DC E8
    "fsub    st(1), st(0)",   // DC E9
    "fsub    st(2), st(0)",   // DC EA
    "fsub    st(3), st(0)",   // DC EB
    "fsub    st(4), st(0)",   // DC EC
    "fsub    st(5), st(0)",   // DC ED
    "fsub    st(6), st(0)",   // DC EE
    "fsub    st(7), st(0)",   // DC EF
    "fdivr   st(0), st(0)",   // DC F0
    "fdivr   st(1), st(0)",   // DC F1
    "fdivr   st(2), st(0)",   // DC F2
    "fdivr   st(3), st(0)",   // DC F3
    "fdivr   st(4), st(0)",   // DC F4
    "fdivr   st(5), st(0)",   // DC F5
    "fdivr   st(6), st(0)",   // DC F6
    "fdivr   st(7), st(0)",   // DC F7
    "fdiv    st(0), st(0)",   // DC F8
    "fdiv    st(1), st(0)",   // DC F9
    "fdiv    st(2), st(0)",   // DC FA
    "fdiv    st(3), st(0)",   // DC FB
    "fdiv    st(4), st(0)",   // DC FC
    "fdiv    st(5), st(0)",   // DC FD
    "fdiv    st(6), st(0)",   // DC FE
    "fdiv    st(7), st(0)",   // DC FF
    "fld     #Mq",            // DD /0
    "%c",                     // DD /1
    "fst     #Mq",            // DD /2
    "fstp    #Mq",            // DD /3
    "frstor  #Ms",            // DD /4
    "%c",                     // DD /5
    "fnsave  #Ms",            // DD /6
    "fnstsw  #Mw",            // DD /7
    "ffree   st(0)",          // DD C0
    "ffree   st(1)",          // DD C1
    "ffree   st(2)",          // DD C2
    "ffree   st(3)",          // DD C3
    "ffree   st(4)",          // DD C4
    "ffree   st(5)",          // DD C5
    "ffree   st(6)",          // DD C6
    "ffree   st(7)",          // DD C7
    "%c",                     // DD C8
    "%c",                     // DD C9
    "%c",                     // DD CA
    "%c",                     // DD CB
    "%c",                     // DD CC
    "%c",                     // DD CD
    "%c",                     // DD CE
    "%c",                     // DD CF
    "fst     st(0)",          // DD D0
    "fst     st(1)",          // DD D1
    "fst     st(2)",          // DD D2
    "fst     st(3)",          // DD D3
    "fst     st(4)",          // DD D4
    "fst     st(5)",          // DD D5
    "fst     st(6)",          // DD D6
    "fst     st(7)",          // DD D7
    "fstp    st(0)",          // DD D8
    "fstp    st(1)",          // DD D9
    "fstp    st(2)",          // DD DA
    "fstp    st(3)",          // DD DB
    "fstp    st(4)",          // DD DC
    "fstp    st(5)",          // DD DD
    "fstp    st(6)",          // DD DE
    "fstp    st(7)",          // DD DF
    "fucom   st(0)",          // DD E0
    "fucom   st(1)",          // DD E1
    "fucom   st(2)",          // DD E2
    "fucom   st(3)",          // DD E3
    "fucom   st(4)",          // DD E4
    "fucom   st(5)",          // DD E5
    "fucom   st(6)",          // DD E6
    "fucom   st(7)",          // DD E7
    "fucomp  st(0)",          // DD E8
    "fucomp  st(1)",          // DD E9
    "fucomp  st(2)",          // DD EA
    "fucomp  st(3)",          // DD EB
    "fucomp  st(4)",          // DD EC
    "fucomp  st(5)",          // DD ED
    "fucomp  st(6)",          // DD EE
    "fucomp  st(7)",          // DD EF
    "%c",                     // DD F0
    "%c",                     // DD F1
    "%c",                     // DD F2
    "%c",                     // DD F3
    "%c",                     // DD F4
    "%c",                     // DD F5
    "%c",                     // DD F6
    "%c",                     // DD F7
    "%c",                     // DD F8
    "%c",                     // DD F9
    "%c",                     // DD FA
    "%c",                     // DD FB
    "%c",                     // DD FC
    "%c",                     // DD FD
    "%c",                     // DD FE
    "%c",                     // DD FF
    "fiadd   #Mw",            // DE /0
    "fimul   #Mw",            // DE /1
    "ficom   #Mw",            // DE /2
    "ficomp  #Mw",            // DE /3
    "fisub   #Mw",            // DE /4
    "fisubr  #Mw",            // DE /5
    "fidiv   #Mw",            // DE /6
    "fidivr  #Mw",            // DE /7
    "faddp   st(0), st(0)",   // DE C0
    "faddp   st(1), st(0)",   // DE C1
    "faddp   st(2), st(0)",   // DE C2
    "faddp   st(3), st(0)",   // DE C3
    "faddp   st(4), st(0)",   // DE C4
    "faddp   st(5), st(0)",   // DE C5
    "faddp   st(6), st(0)",   // DE C6
    "faddp   st(7), st(0)",   // DE C7
    "fmulp   st(0), st(0)",   // DE C8
    "fmulp   st(1), st(0)",   // DE C9
    "fmulp   st(2), st(0)",   // DE CA
    "fmulp   st(3), st(0)",   // DE CB
    "fmulp   st(4), st(0)",   // DE CC
    "fmulp   st(5), st(0)",   // DE CD
    "fmulp   st(6), st(0)",   // DE CE
    "fmulp   st(7), st(0)",   // DE CF
    "%c",                     // DE D0
    "%c",                     // DE D1
    "%c",                     // DE D2
    "%c",                     // DE D3
    "%c",                     // DE D4
    "%c",                     // DE D5
    "%c",                     // DE D6
    "%c",                     // DE D7
    "%c",                     // DE D8
    "fcompp",                 // DE D9
    "%c",                     // DE DA
    "%c",                     // DE DB
    "%c",                     // DE DC
    "%c",                     // DE DD
    "%c",                     // DE DE
    "%c",                     // DE DF
    "fsubrp  st(0), st(0)",   // DE E0
    "fsubrp  st(1), st(0)",   // DE E1
    "fsubrp  st(2), st(0)",   // DE E2
    "fsubrp  st(3), st(0)",   // DE E3
    "fsubrp  st(4), st(0)",   // DE E4
    "fsubrp  st(5), st(0)",   // DE E5
    "fsubrp  st(6), st(0)",   // DE E6
    "fsubrp  st(7), st(0)",   // DE E7
    "fsubp   st(0), st(0)",   // DE E8
    "fsubp   st(1), st(0)",   // DE E9
    "fsubp   st(2), st(0)",   // DE EA
    "fsubp   st(3), st(0)",   // DE EB
    "fsubp   st(4), st(0)",   // DE EC
    "fsubp   st(5), st(0)",   // DE ED
    "fsubp   st(6), st(0)",   // DE EE
    "fsubp   st(7), st(0)",   // DE EF
    "fdivrp  st(0), st(0)",   // DE F0
    "fdivrp  st(1), st(0)",   // DE F1
    "fdivrp  st(2), st(0)",   // DE F2
    "fdivrp  st(3), st(0)",   // DE F3
    "fdivrp  st(4), st(0)",   // DE F4
    "fdivrp  st(5), st(0)",   // DE F5
    "fdivrp  st(6), st(0)",   // DE F6
    "fdivrp  st(7), st(0)",   // DE F7
    "fdivp   st(0), st(0)",   // DE F8
    "fdivp   st(1), st(0)",   // DE F9
    "fdivp   st(2), st(0)",   // DE FA
    "fdivp   st(3), st(0)",   // DE FB
    "fdivp   st(4), st(0)",   // DE FC
    "fdivp   st(5), st(0)",   // DE FD
    "fdivp   st(6), st(0)",   // DE FE
    "fdivp   st(7), st(0)",   // DE FF
    "fild    #Mw",            // DF /0
    "%c",                     // DF /1
    "fist    #Mw",            // DF /2
    "fistp   #Mw",            // DF /3
    "fbld    #Mt",            // DF /4
    "fild    #Mq",            // DF /5
    "fbstp   #Mt",            // DF /6
    "fistp   #Mq",            // DF /7
    "%c",                     // DF C0
    "%c",                     // DF C1
    "%c",                     // DF C2
    "%c",                     // DF C3
    "%c",                     // DF C4
    "%c",                     // DF C5
    "%c",                     // DF C6
    "%c",                     // DF C7
    "%c",                     // DF C8
    "%c",                     // DF C9
    "%c",                     // DF CA
    "%c",                     // DF CB
    "%c",                     // DF CC
    "%c",                     // DF CD
    "%c",                     // DF CE
    "%c",                     // DF CF
    "%c",                     // DF D0
    "%c",                     // DF D1
    "%c",                     // DF D2
    "%c",                     // DF D3
    "%c",                     // DF D4
    "%c",                     // DF D5
    "%c",                     // DF D6
    "%c",                     // DF D7
    "%c",                     // DF D8
    "%c",                     // DF D9
    "%c",                     // DF DA
    "%c",                     // DF DB
    "%c",                     // DF DC
    "%c",                     // DF DD
    "%c",                     // DF DE
    "%c",                     // DF DF
    "fnstsw  ax",             // DF E0
    "%c",                     // DF E1
    "%c",                     // DF E2
    "%c",                     // DF E3
    "%c",                     // DF E4
    "%c",                     // DF E5
    "%c",                     // DF E6
    "%c",                     // DF E7
    "fucomip st(0), st(0)",   // DF E8
    "fucomip st(0), st(1)",   // DF E9
    "fucomip st(0), st(2)",   // DF EA
    "fucomip st(0), st(3)",   // DF EB
    "fucomip st(0), st(4)",   // DF EC
    "fucomip st(0), st(5)",   // DF ED
    "fucomip st(0), st(6)",   // DF EE
    "fucomip st(0), st(7)",   // DF EF
    "fcomip  st(0), st(0)",   // DF F0
    "fcomip  st(0), st(1)",   // DF F1
    "fcomip  st(0), st(2)",   // DF F2
    "fcomip  st(0), st(3)",   // DF F3
    "fcomip  st(0), st(4)",   // DF F4
    "fcomip  st(0), st(5)",   // DF F5
    "fcomip  st(0), st(6)",   // DF F6
    "fcomip  st(0), st(7)",   // DF F7
    "%c",                     // DF F8
    "%c",                     // DF F9
    "%c",                     // DF FA
    "%c",                     // DF FB
    "%c",                     // DF FC
    "%c",                     // DF FD
    "%c",                     // DF FE
    "%c",                     // DF FF
};

}  // namespace

TDisAsmTemplates DisAsmTemplates() {
  return TDisAsmTemplates(kTemplates);
}
