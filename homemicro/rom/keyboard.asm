; Keys arrive through the keyboard interrupt (vector 60) into a 16-byte ring; readers take them
; from the other end, so neither side needs the other to wait.

; Empties the buffer and lets the keyboard interrupt in.
KBINIT: CLR @#KBHEAD
        CLR @#KBTAIL
        CLR @#KBSTAT            ; bit 6 clear: interrupt on each key
        RET

; The keyboard interrupt: keep the code, drop it when the ring is full.
KEYINT: MOV R0,-(SP)
        MOV R1,-(SP)
        MOV @#KBDATA,R0
        MOV @#KBHEAD,R1
        MOVB R0,KBBUF(R1)
        INC R1
        BIC #~KBMASK,R1
        CMP R1,@#KBTAIL
        BEQ KEYIN9
        MOV R1,@#KBHEAD
KEYIN9: MOV (SP)+,R1
        MOV (SP)+,R0
        RTI

; R0 := the next key (0..177), waiting with the cursor shown.
GETKEY: CALL CURTGL
        CALL WAITKY
        JMP CURTGL

; R0 := the next key, waiting without a cursor.
WAITKY: MOV R1,-(SP)
WAITK1: MOV @#KBTAIL,R1
        CMP R1,@#KBHEAD
        BEQ WAITK1
        MOVB KBBUF(R1),R0
        BIC #177600,R0
        INC R1
        BIC #~KBMASK,R1
        MOV R1,@#KBTAIL
        MOV (SP)+,R1
        RET
