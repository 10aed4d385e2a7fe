; The text console: 32 rows of 64 characters in one-bit mode, 8 x 8 pixels a character. Text
; row r lies on video lines TOP_LINE + 8r (modulo 256); scrolling moves TOP_LINE and the scroll
; register instead of the screen memory.

SCREEN          = 40000
LINE_BYTES      = 100           ; bytes per video line
ROWS            = 40            ; 32 text rows
COLS            = 100           ; 64 columns
SCROLL_HOME     = 1330          ; full screen, video line 0 at the top

; Clears the screen and puts the cursor at the top left.
CLS:    MOV R0,-(SP)
        MOV R1,-(SP)
        MOV #SCREEN,R0
        MOV #20000,R1           ; words of screen memory
CLS1:   CLR (R0)+
        SOB R1,CLS1
        CLR @#TOP_LINE
        CLR @#CURSOR_ROW
        CLR @#CURSOR_COLUMN
        MOV #SCROLL_HOME,@#SCROLL
        MOV (SP)+,R1
        MOV (SP)+,R0
        RET

; R1 := screen address of the cursor's cell (its top pixel row).
CELL_ADDRESS:
        MOV @#CURSOR_ROW,R1
        ASL R1
        ASL R1
        ASL R1
        ADD @#TOP_LINE,R1
        BIC #177400,R1          ; video lines wrap at 256
        SWAB R1                 ; times 64: times 256, then halved twice
        CLC
        ROR R1
        CLC
        ROR R1
        ADD #SCREEN,R1
        ADD @#CURSOR_COLUMN,R1
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
        BCS PUTC9               ; unsigned: below 40
        CMP R0,#177
        BCC PUTC9
        CALL DRAW_CHAR
        INC @#CURSOR_COLUMN
        CMP @#CURSOR_COLUMN,#COLS
        BCS PUTC9
PUTC4:  CALL NEW_LINE
        BR PUTC9
PUTC5:  TST @#CURSOR_COLUMN     ; Backspace stops at the left edge
        BEQ PUTC9
        DEC @#CURSOR_COLUMN
        MOV #40,R0
        CALL DRAW_CHAR
PUTC9:  MOV (SP)+,R2
        MOV (SP)+,R1
        MOV (SP)+,R0
        RET

; Draws character R0 (40..176) in the cursor's cell. Uses R1 and R2.
DRAW_CHAR:
        CALL CELL_ADDRESS
        MOV R0,R2
        SUB #40,R2
        ASL R2
        ASL R2
        ASL R2
        ADD #FONT,R2
        MOV #10,R0
DRAW_CHAR1:
        MOVB (R2)+,(R1)
        ADD #LINE_BYTES,R1
        SOB R0,DRAW_CHAR1
        RET

; Moves the cursor to the start of the next row, scrolling at the bottom. Keeps every register.
NEW_LINE:
        CLR @#CURSOR_COLUMN
        INC @#CURSOR_ROW
        CMP @#CURSOR_ROW,#ROWS
        BCS NEW_LINE9
        DEC @#CURSOR_ROW
        CALL SCROLL_UP
NEW_LINE9:
        RET

; Starts a new row unless the cursor is at the start of one already. Keeps every register.
FRESH_LINE:
        TST @#CURSOR_COLUMN
        BEQ NEW_LINE9
        BR NEW_LINE

; Scrolls the text up one row: the top row's video lines become the bottom row, cleared.
SCROLL_UP:
        MOV R0,-(SP)
        MOV R1,-(SP)
        MOV @#TOP_LINE,R0
        SWAB R0                 ; times 64, as in CELL_ADDRESS
        CLC
        ROR R0
        CLC
        ROR R0
        ADD #SCREEN,R0
        MOV #400,R1             ; 8 lines of 32 words
SCROLL_UP1:
        CLR (R0)+
        SOB R1,SCROLL_UP1
        MOV @#TOP_LINE,R0
        ADD #10,R0
        BIC #177400,R0
        MOV R0,@#TOP_LINE
        CALL SHOW_TOP
        MOV (SP)+,R1
        MOV (SP)+,R0
        RET

; Points the scroll register at TOPLIN, full screen. Keeps every register.
SHOW_TOP:
        MOV R0,-(SP)
        MOV @#TOP_LINE,R0
        ADD #330,R0             ; scroll value 330 shows video line 0 at the top
        BIC #177400,R0
        BIS #1000,R0            ; keep the full screen
        MOV R0,@#SCROLL
        MOV (SP)+,R0
        RET

; Shows or hides the cursor: an underline on the cell's bottom pixel row, inverted each call.
TOGGLE_CURSOR:
        MOV R1,-(SP)
        CALL CELL_ADDRESS
        ADD #7*LINE_BYTES,R1
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
PUT_OCTAL:
        MOV R0,-(SP)
        MOV R2,-(SP)
        MOV R3,-(SP)
        MOV R0,R2
        CLR R0                  ; the first digit is the top bit alone
        ASL R2
        ROL R0
        MOV #5,R3
PUT_OCTAL1:
        ADD #'0,R0
        CALL PUTC
        CLR R0
        ASL R2
        ROL R0
        ASL R2
        ROL R0
        ASL R2
        ROL R0
        SOB R3,PUT_OCTAL1
        ADD #'0,R0
        CALL PUTC
        MOV (SP)+,R3
        MOV (SP)+,R2
        MOV (SP)+,R0
        RET
