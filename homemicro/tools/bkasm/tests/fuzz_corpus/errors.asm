001000: MOV #1,@#1000
        MOV (PC)+,R0
        .BLKW LATER
X:      BR .+1000
X:      SOB R0,.+2
        .ORG 177776
        .WORD 1,2,3
LATER = 4
