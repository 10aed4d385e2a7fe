; The text console: 32 rows of 64 characters in one-bit mode, 8 x 8 pixels a character. Text row
; r lies on video lines TOPLIN + 8r (modulo 256); scrolling moves TOPLIN and the scroll register
; instead of the screen memory.

SCREEN  = 40000
LINEB   = 100                   ; bytes per video line
ROWS    = 40                    ; 32 text rows
COLS    = 100                   ; 64 columns
SCRHOM  = 1330                  ; full screen, video line 0 at the top

; Clears the screen and puts the cursor at the top left.
CLS:    MOV R0,-(SP)
        MOV R1,-(SP)
        MOV #SCREEN,R0
        MOV #20000,R1           ; words of screen memory
CLS1:   CLR (R0)+
        SOB R1,CLS1
        CLR @#TOPLIN
        CLR @#CURROW
        CLR @#CURCOL
        MOV #SCRHOM,@#SCROLL
        MOV (SP)+,R1
        MOV (SP)+,R0
        RET

; R1 := screen address of the cursor's cell (its top pixel row).
CELLAD: MOV @#CURROW,R1
        ASL R1
        ASL R1
        ASL R1
        ADD @#TOPLIN,R1
        BIC #177400,R1          ; video lines wrap at 256
        SWAB R1                 ; times 64: times 256, then halved twice
        CLC
        ROR R1
        CLC
        ROR R1
        ADD #SCREEN,R1
        ADD @#CURCOL,R1
        RET

; Prints the character in the low byte of R0: 40..176 are drawn, 12 and 15 end the line,
; 30 (Backspace) erases the character before the cursor; other codes are ignored. Keeps every
; register.
PUTC:   MOV R0,-(SP)
        MOV R1,-(SP)
        MOV R2,-(SP)
        BIC #177400,R0
        CMP R0,#12
        BEQ PUTC4
        CMP R0,#15
        BEQ PUTC4
        CMP R0,#30
        BEQ PUTC5
        CMP R0,#40
        BCS PUTC9             ; unsigned: below 40
        CMP R0,#177
        BCC PUTC9
        CALL DRAWCH
        INC @#CURCOL
        CMP @#CURCOL,#COLS
        BCS PUTC9
PUTC4:  CALL NEWLN
        BR PUTC9
PUTC5:  TST @#CURCOL            ; Backspace stops at the left edge
        BEQ PUTC9
        DEC @#CURCOL
        MOV #40,R0
        CALL DRAWCH
PUTC9:  MOV (SP)+,R2
        MOV (SP)+,R1
        MOV (SP)+,R0
        RET

; Draws character R0 (40..176) in the cursor's cell. Uses R1 and R2.
DRAWCH: CALL CELLAD
        MOV R0,R2
        SUB #40,R2
        ASL R2
        ASL R2
        ASL R2
        ADD #FONT,R2
        MOV #10,R0
DRAWC1: MOVB (R2)+,(R1)
        ADD #LINEB,R1
        SOB R0,DRAWC1
        RET

; Moves the cursor to the start of the next row, scrolling at the bottom. Keeps every register.
NEWLN:  CLR @#CURCOL
        INC @#CURROW
        CMP @#CURROW,#ROWS
        BCS NEWLN9
        DEC @#CURROW
        CALL SCRUP
NEWLN9: RET

; Starts a new row unless the cursor is at the start of one already. Keeps every register.
FRESHL: TST @#CURCOL
        BEQ NEWLN9
        BR NEWLN

; Scrolls the text up one row: the top row's video lines become the bottom row, cleared.
SCRUP:  MOV R0,-(SP)
        MOV R1,-(SP)
        MOV @#TOPLIN,R0
        SWAB R0                 ; times 64, as in CELLAD
        CLC
        ROR R0
        CLC
        ROR R0
        ADD #SCREEN,R0
        MOV #400,R1             ; 8 lines of 32 words
SCRUP1: CLR (R0)+
        SOB R1,SCRUP1
        MOV @#TOPLIN,R0
        ADD #10,R0
        BIC #177400,R0
        MOV R0,@#TOPLIN
        CALL SHOWTP
        MOV (SP)+,R1
        MOV (SP)+,R0
        RET

; Points the scroll register at TOPLIN, full screen. Keeps every register.
SHOWTP: MOV R0,-(SP)
        MOV @#TOPLIN,R0
        ADD #330,R0             ; scroll value 330 shows video line 0 at the top
        BIC #177400,R0
        BIS #1000,R0            ; keep the full screen
        MOV R0,@#SCROLL
        MOV (SP)+,R0
        RET

; Shows or hides the cursor: an underline on the cell's bottom pixel row, inverted each call.
CURTGL: MOV R1,-(SP)
        CALL CELLAD
        ADD #7*LINEB,R1
        COMB (R1)
        MOV (SP)+,R1
        RET

; Prints the zero-terminated text at R1. Keeps every register.
PUTS:   MOV R0,-(SP)
        MOV R1,-(SP)
PUTS1:  MOVB (R1)+,R0
        BEQ PUTS9
        CALL PUTC
        BR PUTS1
PUTS9:  MOV (SP)+,R1
        MOV (SP)+,R0
        RET

; Prints R0 as six octal digits. Keeps every register.
PUTOCT: MOV R0,-(SP)
        MOV R2,-(SP)
        MOV R3,-(SP)
        MOV R0,R2
        CLR R0                  ; the first digit is the top bit alone
        ASL R2
        ROL R0
        MOV #5,R3
PUTOC1: ADD #'0,R0
        CALL PUTC
        CLR R0
        ASL R2
        ROL R0
        ASL R2
        ROL R0
        ASL R2
        ROL R0
        SOB R3,PUTOC1
        ADD #'0,R0
        CALL PUTC
        MOV (SP)+,R3
        MOV (SP)+,R2
        MOV (SP)+,R0
        RET
