; The menu's demonstrations: the beep, the colour test and the program load.

; A 1 kHz tone for 0.2 s at the emulator's default speed of 250000 instructions a second: each
; half period is 125 instructions between two writes of the speaker bit.
HALF_PERIOD     = 172           ; 122 turns of SOB, plus the 3 other instructions of a half
PERIODS         = 310           ; 200 periods

BEEP:   MOV R1,-(SP)
        MOV R2,-(SP)
        MOV #PERIODS,R2
BEEP1:  MOV #100,@#SYSTEM_REG   ; speaker bit on
        MOV #HALF_PERIOD,R1
BEEP2:  SOB R1,BEEP2
        NOP
        CLR @#SYSTEM_REG        ; speaker bit off
        MOV #HALF_PERIOD,R1
BEEP3:  SOB R1,BEEP3
        SOB R2,BEEP1
        MOV (SP)+,R2
        MOV (SP)+,R1
        RET

; Four-colour test picture (seen as colours when the window shows two bits a pixel): the top half
; has four upright bars in colours 0, 1, 2, 3 from the left, the bottom half four bands in the
; same order from the top. Any key ends it.
COLOUR_TEST:
        MOV #SCROLL_HOME,@#SCROLL
        MOV #SCREEN,R0
        MOV #200,R2             ; top half: 128 lines
COLOUR_TEST1:
        MOV #COLOUR_WORDS,R3
COLOUR_TEST2:
        MOV #10,R1              ; each bar is 8 words (32 pixels) wide
COLOUR_TEST3:
        MOV (R3),(R0)+
        SOB R1,COLOUR_TEST3
        TST (R3)+
        CMP R3,#COLOUR_WORDS+10
        BCS COLOUR_TEST2
        SOB R2,COLOUR_TEST1
        MOV #COLOUR_WORDS,R3    ; bottom half: bands of 32 lines
COLOUR_TEST4:
        MOV #2000,R1            ; 32 lines of 32 words
COLOUR_TEST5:
        MOV (R3),(R0)+
        SOB R1,COLOUR_TEST5
        TST (R3)+
        CMP R3,#COLOUR_WORDS+10
        BCS COLOUR_TEST4
        JMP WAIT_KEY

; A screen word of one colour: two bits a pixel, the lower bit of each pair the colour's high bit.
COLOUR_WORDS:
        .WORD 0, 125252, 52525, 177777

; Loads a program through the tape call with an empty name, so the emulator asks for the file,
; and runs it at the address its file names. A program may end with RTS PC.
LOAD:   MOV #TAPE_BLOCK,R1
        MOV #3,(R1)+            ; command 3: read; answer 0
        CLR (R1)+               ; address 0: the file's own
        CLR (R1)+               ; length: not used
        MOV #20,R0              ; the name: 16 blanks
LOAD1:  MOVB #40,(R1)+
        SOB R0,LOAD1
        MOV #TAPE_BLOCK,R1
        EMT 36
        TSTB @#TAPE_BLOCK+1     ; answer: 0 when the file came in
        BNE LOAD9
        MOV #MSG_START,R1
        CALL PUTS
        MOV @#TAPE_BLOCK+26,R0  ; where the file put the program
        CALL PUT_OCTAL
        CALL NEW_LINE
        CALL (R0)
        CLR @#KEY_STATUS        ; the program may have turned the interrupt off
        CALL SHOW_TOP           ; or moved the scroll register
        MOV #MSG_BACK,R1
        BR LOAD8
LOAD9:  MOV #MSG_NOTHING,R1
LOAD8:  CALL FRESH_LINE
        JMP PUTS
