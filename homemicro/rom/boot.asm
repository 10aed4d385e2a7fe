; homemicro's own boot ROM: the entry at 100000, the trap vectors, the menu and the key loop.
; The ROM is assembled from boot.asm, console.asm, keyboard.asm, services.asm, demos.asm,
; messages.asm and the generated font, in that order, as one program.

; Registers of the machine's register page.
KBSTAT  = 177660                ; keyboard status: bit 6 disables the interrupt
KBDATA  = 177662                ; keyboard data; reading it clears the ready bit
SCROLL  = 177664                ; bits 0..7 scroll value, bit 9 full 256-line screen
SYSREG  = 177716                ; system register: bit 6 drives the speaker

; Working cells in low RAM, below the stack. 264 and 266 are left to the tape call.
STACK   = 1000                  ; the stack grows down from here to 400
CURROW  = 200                   ; text cursor: row 0..31 on the picture
CURCOL  = 202                   ; and column 0..63
TOPLIN  = 204                   ; video line shown at the top of the picture (a multiple of 8)
KBHEAD  = 206                   ; key buffer: the interrupt stores at KBHEAD,
KBTAIL  = 210                   ; readers take from KBTAIL; equal means empty
KBBUF   = 212                   ; 16 bytes, 212..231
KBMASK  = 17
TAPBLK  = 300                   ; the tape call's parameter block, 52 bytes, 300..351

; Key codes of the menu.
KEYBEE  = 16                    ; F5
KEYCOL  = 17                    ; F8
KEYLOA  = 14                    ; F9

        .ORG 100000
START:  MOV #STACK,SP
        CALL SETVEC
; The menu: a clean screen with the banner. STOP (Esc) comes back here.
MENU:   MOV #STACK,SP
        CALL KBINIT             ; forget old keys; a program may have switched the interrupt off
        CALL CLS
        MOV #BANNER,R1
        CALL PUTS
; Typed keys echo as text; the menu keys start their demonstrations.
KEYLP:  CALL GETKEY
        CMPB R0,#KEYBEE
        BEQ DOBEEP
        CMPB R0,#KEYCOL
        BEQ DOCOL
        CMPB R0,#KEYLOA
        BEQ DOLOAD
        CALL PUTC
        BR KEYLP
DOBEEP: CALL BEEP
        BR KEYLP
DOCOL:  CALL COLOUR
        BR MENU
DOLOAD: CALL LOAD
        BR KEYLP

; Points the vectors the ROM serves at their handlers; a trap loads no new status word here,
; so only the PC words matter.
SETVEC: MOV #VECTAB,R0
SETVE1: MOV (R0)+,R1            ; vector address, 0 ends the table
        BEQ SETVE2
        MOV (R0)+,(R1)
        BR SETVE1
SETVE2: RET

VECTAB: .WORD 4,STOPKY          ; bus error: the STOP key, HALT, a write into the ROM
        .WORD 10,BADOP          ; reserved instruction
        .WORD 14,UNEXP          ; BPT and the trace trap
        .WORD 20,UNEXP          ; IOT
        .WORD 30,EMTSRV         ; EMT (EMT 36, the tape call, never arrives here)
        .WORD 34,UNEXP          ; TRAP
        .WORD 60,KEYINT         ; keyboard interrupt
        .WORD 0

; STOP: whatever ran is abandoned and the menu comes back.
STOPKY: JMP MENU

; A reserved instruction or a stray trap in a loaded program: say where, then take keys again.
BADOP:  MOV #MBADOP,R1
        BR TRAPMS
UNEXP:  MOV #MUNEXP,R1
TRAPMS: MOV (SP),R2             ; the PC after the instruction that trapped
        MOV #STACK,SP
        CALL FRESHL
        CALL PUTS
        MOV R2,R0
        SUB #2,R0
        CALL PUTOCT
        CALL NEWLN
        JMP KEYLP
