; frames: 3 frames of 16 x 8 dots, 16 bytes, 8-row pages across the panel, top dot in bit 0
; pelmora-panel: 16x8 pages 16 lsb
; pelmora-frames: 3
frames:
; frame 0: disposals.gif frame 0, 100 ms
frames_0:
        DB 00FH,00FH,00FH,00FH,000H,000H,000H,000H,000H,000H,000H,000H,000H,000H,000H,000H
; frame 1: disposals.gif frame 1, 200 ms
frames_1:
        DB 00FH,00FH,00FH,00FH,000H,000H,03CH,03CH,03CH,03CH,000H,000H,000H,000H,000H,000H
; frame 2: disposals.gif frame 2, 0 ms
frames_2:
        DB 00FH,00FH,00FH,00FH,000H,000H,000H,000H,000H,000H,038H,038H,038H,000H,000H,000H
frames_delays_ms:
        DW 100,200,0
