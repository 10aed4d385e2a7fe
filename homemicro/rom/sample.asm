; A tiny program for the boot ROM's load key (F9): it greets through the ROM's EMT services,
; waits for a key and goes back to the ROM. Built into the tape file sample.bin, whose header
; tells the ROM to load and start it at 1000.
        .ORG 1000
START:  MOV #HELLO,R1
        EMT 2                   ; print the text at R1
        MOV #'*,R0
        MOV #40.,R2
STARS:  EMT 1                   ; print the character in R0
        SOB R2,STARS
        MOV #12,R0
        EMT 1
        MOV #ASKKEY,R1
        EMT 2
        EMT 3                   ; R0 := the next key
        EMT 1                   ; echo it
        MOV #12,R0
        EMT 1
        RTS PC                  ; back to the ROM

HELLO:  .ASCIZ /Hello from sample.bin, a program loaded from a tape file./<12>
ASKKEY: .ASCIZ /Press a key to go back to the ROM: /
        .END
