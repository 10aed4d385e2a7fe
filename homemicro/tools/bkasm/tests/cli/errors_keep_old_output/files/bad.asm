        .ORG 1000
        MOV #NOWHERE,R0
        BR 2000
        .WORD 1
