; The program that bkrun and the PDP-11 yardstick both run: what BK programs spend their time on,
; round after round. Each round clears a table, fills a buffer with pseudo-random bytes through a
; subroutine, copies it backwards byte by byte, scans the copy through a subroutine that takes
; its arguments after the call (a histogram of the low four bits and a signed sum), finds the
; largest histogram entry and stirs the sums with shifts, rotates and tests. It uses nothing but
; memory it writes itself, and no instruction that the two machines treat differently, and ends
; with HALT, so both leave the same registers and the same memory behind.
        .ORG 1000
ROUNDS = 60000.
SIZE = 256.

START:  MOV #1000,SP
        MOV #ROUNDS,@#LEFT
        MOV #12345,R0            ; random seed
        CLR @#TOTAL
        CLR @#TOTAL+2
        CLR @#MAXSUM
        CLR @#MIXED
        CLR @#ERRORS

ROUND:  MOV #HIST,R1             ; clear the histogram
        MOV #16.,R2
CLEAR:  CLR (R1)+
        SOB R2,CLEAR

        MOV #SRC,R1              ; SIZE random bytes
        MOV #SIZE,R2
FILL:   JSR PC,RANDOM
        MOV R0,R3                ; the high byte is the more random one
        SWAB R3
        MOVB R3,(R1)+
        SOB R2,FILL

        MOV #SRC+SIZE,R1         ; copy backwards
        MOV #DST,R2
        MOV #SIZE,R3
COPY:   MOVB -(R1),(R2)+
        DEC R3
        BNE COPY

        JSR R5,SCAN              ; histogram and sum of DST
        .WORD DST
        .WORD SIZE
        ADD R3,@#TOTAL
        ADC @#TOTAL+2

        MOV #HIST,R1             ; the largest count
        MOV #16.,R2
        CLR R3
LARGEST:CMP (R1)+,R3
        BLE SMALLER
        MOV -2(R1),R3
SMALLER:SOB R2,LARGEST
        ADD R3,@#MAXSUM

        MOV @#TOTAL,R3           ; stir
        SWAB R3
        ROR R3
        ASR R3
        BIS #1,R3
        BIT #2,R3
        BEQ EVEN2
        COM R3
EVEN2:  MOV #POINTS,R2
        ADD @(R2)+,R3
        SUB @(R2)+,R3
        ADD R3,@#MIXED
        CMPB @#SRC,@#DST+SIZE-1  ; the copy's last byte is the first one
        BEQ SAME
        INC @#ERRORS
SAME:   TSTB @#DST
        BPL NEXT
        INCB @#NEGATIVE
NEXT:   DEC @#LEFT
        BEQ DONE
        JMP ROUND

DONE:   MOV @#TOTAL,R1
        MOV @#TOTAL+2,R2
        MOV @#MAXSUM,R3
        MOV @#MIXED,R4
        MOV @#ERRORS,R5
        HALT

; R0 := R0 * 5 + 15321 (R4 is used)
RANDOM: MOV R0,R4
        ASL R0
        ASL R0
        ADD R4,R0
        ADD #15321,R0
        RTS PC

; JSR R5,SCAN followed by the buffer's address and its length: counts the low four bits of each
; byte in HIST and leaves the bytes' signed sum in R3 (R1, R2 and R4 are used).
SCAN:   MOV (R5)+,R1
        MOV (R5)+,R2
        CLR R3
SCANB:  MOVB (R1)+,R4
        ADD R4,R3
        BIC #177760,R4
        ASL R4
        INC HIST(R4)
        SOB R2,SCANB
        RTS R5

POINTS: .WORD HIST+4, HIST+12
LEFT:   .WORD 0
TOTAL:  .WORD 0, 0
MAXSUM: .WORD 0
MIXED:  .WORD 0
ERRORS: .WORD 0
NEGATIVE: .WORD 0
HIST:   .BLKW 16.
SRC:    .BLKB SIZE
DST:    .BLKB SIZE
        .END
