; Timers 0 and 1 in modes 0 to 3 driving interrupts at two priority levels, an edge-triggered and
; a level-triggered external interrupt from P3 writes and the serial interrupt from its flag.
; Handlers count in RAM 0x30..0x34 and reload the timers from RAM 0x3c..0x3f.
	.area CODE (ABS)
	.org 0
	ljmp start
	.org 0x03
	ljmp ext0
	.org 0x0b
	ljmp tim0
	.org 0x13
	ljmp ext1
	.org 0x1b
	ljmp tim1
	.org 0x23
	ljmp serial

	.org 0x40
start:
	mov sp,#0x50
	acall zero

	; timer 0 mode 1 (64 cycles), timer 1 mode 2 (48 cycles) at high priority
	mov tmod,#0x21
	mov 0x3c,#0xc0
	mov 0x3d,#0xff
	mov 0x3e,#0xd0
	mov 0x3f,#0xd0
	mov tl0,0x3c
	mov th0,0x3d
	mov tl1,0x3e
	mov th1,0x3f
	setb pt1
	mov ie,#0x8a
	setb tr0
	setb tr1
1$:	mov a,0x30
	add a,#(256-6)
	jnc 1$
	clr tr0
	clr tr1
	acall zero

	; timer 0 mode 0 (13 bits) at high priority, timer 1 mode 1
	mov tmod,#0x10
	mov 0x3c,#0x10
	mov 0x3d,#0xff
	mov 0x3e,#0x90
	mov 0x3f,#0xff
	mov tl0,0x3c
	mov th0,0x3d
	mov tl1,0x3e
	mov th1,0x3f
	clr pt1
	setb pt0
	setb tr0
	setb tr1
2$:	mov a,0x31
	add a,#(256-4)
	jnc 2$
	clr tr1
3$:	mov a,0x30
	add a,#(256-12)
	jnc 3$
	clr tr0
	acall zero

	; timer 0 mode 3: TL0 sets TF0, TH0 runs on TR1 and sets TF1; timer 1 holds in mode 3
	mov tmod,#0x33
	mov 0x3c,#0xe0
	mov 0x3d,#0xf0
	mov tl0,0x3c
	mov th0,0x3d
	setb tr0
	setb tr1
4$:	mov a,0x31
	add a,#(256-3)
	jnc 4$
	clr tr0
	clr tr1
	mov tmod,#0x00
	acall zero

	; external interrupt 0 on a falling edge of P3.2, external 1 while P3.3 is low
	clr pt0
	setb it0
	clr it1
	setb ex0
	setb ex1
	clr p3.2
	nop
	nop
	setb p3.2
	nop
	clr p3.3
	setb p3.3
	nop
	nop
	mov r2,0x32
	mov r3,0x33

	; serial interrupt from TI, interrupted by a high-priority timer 0 (mode 2)
	mov tmod,#0x02
	mov 0x3c,#0xf0
	mov 0x3d,#0xf0
	mov th0,#0xf0
	mov tl0,#0xf0
	setb pt0
	setb es
	setb tr0
	nop
	setb ti
5$:	mov a,0x34
	jz 5$
	clr tr0
	clr ea
	mov 0x36,tl0
	mov 0x37,th0
	mov 0x38,tl1
	mov 0x39,th1
	mov 0x3a,tcon
	mov 0x3b,0x30
	sjmp .

zero:	mov 0x30,#0
	mov 0x31,#0
	mov 0x32,#0
	mov 0x33,#0
	mov 0x34,#0
	ret

tim0:	push acc
	push psw
	mov tl0,0x3c
	mov th0,0x3d
	inc 0x30
	mov a,0x30
	add a,#0x10
	pop psw
	pop acc
	reti

tim1:	push psw
	mov psw,#0x08
	inc r0
	mov tl1,0x3e
	mov th1,0x3f
	inc 0x31
	pop psw
	reti

ext0:	inc 0x32
	reti

ext1:	inc 0x33
	reti

serial:	clr ti
	inc 0x34
	mov r7,#20
1$:	djnz r7,1$
	reti
