; homemicro's own boot ROM: the entry at 100000, the trap vectors, the menu and the key loop.
; The ROM is assembled from boot.asm, console.asm, keyboard.asm, services.asm, demos.asm,
; messages.asm and the generated font, in that order, as one program.

; Registers of the machine's register page.
KEY_STATUS      = 177660        ; keyboard status: bit 6 disables the interrupt
KEY_DATA        = 177662        ; keyboard data; reading it clears the ready bit
SCROLL          = 177664        ; bits 0..7 scroll value, bit 9 full 256-line screen
SYSTEM_REG      = 177716        ; system register: bit 6 drives the speaker

; Working cells in low RAM, below the stack. 264 and 266 are left to the tape call.
STACK           = 1000          ; the stack grows down from here to 400
CURSOR_ROW      = 200           ; text cursor: row 0..31 on the picture
CURSOR_COLUMN   = 202           ; and column 0..63
TOP_LINE        = 204           ; video line shown at the top of the picture (a multiple of 8)
KEYS_HEAD       = 206           ; key buffer: the interrupt stores at KEYS_HEAD,
KEYS_TAIL       = 210           ; readers take from KEYS_TAIL; equal means empty
KEYS_BUFFER     = 212           ; 16 bytes, 212..231
KEYS_MASK       = 17
TAPE_BLOCK      = 300           ; the tape call's parameter block, 52 bytes, 300..351

; Key codes of the menu.
KEY_BEEP        = 16            ; F5
KEY_COLOUR      = 17            ; F8
KEY_LOAD        = 14            ; F9

        .ORG 100000
START:  MOV #STACK,SP
        CALL SET_VECTORS
; The menu: a clean screen with the banner. STOP (Esc) comes back here.
MENU:   MOV #STACK,SP
        CALL KEYS_INIT          ; forget old keys; a program may have switched the interrupt off
        CALL CLS
        MOV #BANNER,R1
        CALL PUTS
; Typed keys echo as text; the menu keys start their demonstrations.
KEY_LOOP:
        CALL GET_KEY
        CMPB R0,#KEY_BEEP
        BEQ DO_BEEP
        CMPB R0,#KEY_COLOUR
        BEQ DO_COLOUR
        CMPB R0,#KEY_LOAD
        BEQ DO_LOAD
        CALL PUTC
        BR KEY_LOOP
DO_BEEP:
        CALL BEEP
        BR KEY_LOOP
DO_COLOUR:
        CALL COLOUR_TEST
        BR MENU
DO_LOAD:
        CALL LOAD
        BR KEY_LOOP

; Points the vectors the ROM serves at their handlers; a trap loads no new status word here,
; so only the PC words matter.
SET_VECTORS:
        MOV #VECTOR_TABLE,R0
SET_VECTORS1:
        MOV (R0)+,R1            ; vector address, 0 ends the table
        BEQ SET_VECTORS2
        MOV (R0)+,(R1)
        BR SET_VECTORS1
SET_VECTORS2:
        RET

VECTOR_TABLE:
        .WORD 4,STOP_KEY        ; bus error: the STOP key, HALT, a write into the ROM
        .WORD 10,RESERVED_TRAP  ; reserved instruction
        .WORD 14,STRAY_TRAP     ; BPT and the trace trap
        .WORD 20,STRAY_TRAP     ; IOT
        .WORD 30,EMT_SERVICE    ; EMT (EMT 36, the tape call, never arrives here)
        .WORD 34,STRAY_TRAP     ; TRAP
        .WORD 60,KEY_INTERRUPT  ; keyboard interrupt
        .WORD 0

; STOP: whatever ran is abandoned and the menu comes back.
STOP_KEY:
        JMP MENU

; A reserved instruction or a stray trap in a loaded program: say where, then take keys again.
RESERVED_TRAP:
        MOV #MSG_RESERVED,R1
        BR TRAP_MESSAGE
STRAY_TRAP:
        MOV #MSG_STRAY,R1
TRAP_MESSAGE:
        MOV (SP),R2             ; the PC after the instruction that trapped
        MOV #STACK,SP
        CALL FRESH_LINE
        CALL PUTS
        MOV R2,R0
        SUB #2,R0
        CALL PUT_OCTAL
        CALL NEW_LINE
        JMP KEY_LOOP
