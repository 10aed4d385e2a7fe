        .WORD 1
