        .ORG 2000
TEXT:   .ASCIZ "HI;"<15><12>
        .EVEN
TABLE:  .WORD TEXT, END-TEXT, ^B101, ^X7F, 'A, "BC
        .BYTE -1, 377
BUF:    .BLKW 3
N = <TABLE-TEXT>/2
END:    .END
