; Clears the screen memory, then waits for a key.
        .ORG 1000
START:  MOV #40000,R0
        MOV #20000,R1     ; words of screen memory
CLEAR:  CLR (R0)+
        SOB R1,CLEAR
WAIT:   TSTB @#177660
        BPL WAIT
        BR START
