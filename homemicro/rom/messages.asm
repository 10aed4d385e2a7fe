; The ROM's texts.

BANNER: .ASCII /homemicro free boot ROM/<12>
        .ASCII /=======================/<12><12>
        .ASCII /  F5   beep (1 kHz)/<12>
        .ASCII /  F8   colour test (switch the window to four colours)/<12>
        .ASCII /  F9   load a program from a tape file and run it/<12>
        .ASCII /  Esc  STOP: back to this menu/<12><12>
        .ASCIZ /Type away; Enter and Backspace work./<12><12>
MSG_START:
        .ASCIZ /Starting at /
MSG_BACK:
        .ASCIZ /Program ended./<12>
MSG_NOTHING:
        .ASCIZ /Nothing loaded./<12>
MSG_RESERVED:
        .ASCIZ /Reserved instruction at /
MSG_STRAY:
        .ASCIZ /Unexpected trap at /
        .EVEN
