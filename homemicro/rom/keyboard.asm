; Keys arrive through the keyboard interrupt (vector 60) into a 16-byte ring; readers take them
; from the other end, so neither side needs the other to wait.

; Empties the buffer and lets the keyboard interrupt in.
KEYS_INIT:
        CLR @#KEYS_HEAD
        CLR @#KEYS_TAIL
        CLR @#KEY_STATUS        ; bit 6 clear: interrupt on each key
        RET

; The keyboard interrupt: keep the code, drop it when the ring is full.
KEY_INTERRUPT:
        MOV R0,-(SP)
        MOV R1,-(SP)
        MOV @#KEY_DATA,R0
        MOV @#KEYS_HEAD,R1
        MOVB R0,KEYS_BUFFER(R1)
        INC R1
        BIC #~KEYS_MASK,R1
        CMP R1,@#KEYS_TAIL
        BEQ KEY_INTERRUPT9
        MOV R1,@#KEYS_HEAD
KEY_INTERRUPT9:
        MOV (SP)+,R1
        MOV (SP)+,R0
        RTI

; R0 := the next key (0..177), waiting with the cursor shown.
GET_KEY:
        CALL TOGGLE_CURSOR
        CALL WAIT_KEY
        JMP TOGGLE_CURSOR

; R0 := the next key, waiting without a cursor.
WAIT_KEY:
        MOV R1,-(SP)
WAIT_KEY1:
        MOV @#KEYS_TAIL,R1
        CMP R1,@#KEYS_HEAD
        BEQ WAIT_KEY1
        MOVB KEYS_BUFFER(R1),R0
        BIC #177600,R0
        INC R1
        BIC #~KEYS_MASK,R1
        MOV R1,@#KEYS_TAIL
        MOV (SP)+,R1
        RET
