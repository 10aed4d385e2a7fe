; EMT services for loaded programs. The EMT's own number selects the service:
;   EMT 1  print the character in R0 (low byte)
;   EMT 2  print the zero-terminated text at R1
;   EMT 3  wait for a key, with the cursor shown; R0 := its code (0..177)
;   EMT 4  clear the screen, cursor to the top left
; Every register but the answer in R0 is kept. C is clear after a service and set after an EMT
; number that has none. EMT 36 is the tape call, which the emulator serves itself.

EMT_SERVICE:
        MOV R5,-(SP)            ; stack: R5, PC after the EMT, status word
        MOV 2(SP),R5
        MOVB -2(R5),R5          ; the EMT instruction's low byte
        BIC #177400,R5
        ASL R5
        BEQ EMT_NO_SERVICE
        CMP R5,#SERVICE_TABLE_END-SERVICE_TABLE
        BCC EMT_NO_SERVICE
        CALL @SERVICE_TABLE(R5)
        MOV (SP)+,R5
        BIC #1,2(SP)            ; C clear in the status word RTI restores
        RTI
EMT_NO_SERVICE:
        MOV (SP)+,R5
        BIS #1,2(SP)
        RTI

SERVICE_TABLE:
        .WORD 0                 ; EMT 0: none
        .WORD PUTC
        .WORD PUTS
        .WORD GET_KEY
        .WORD CLS
SERVICE_TABLE_END:

