        .ORG 1000
        .WORD 1
