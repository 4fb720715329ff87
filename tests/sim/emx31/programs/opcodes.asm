; Every opcode of the instruction set in every register and addressing form, straight through.
	.area CODE (ABS)
	.org 0
	ljmp start

	.org 0x30
table:	.db 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88

start:
	mov sp,#0x70
	mov 0x30,#0x9c
	mov 0x31,#0x27
	mov 0x40,#0x81
	mov 0x41,#0x3e
	mov r0,#0x40
	mov r1,#0x41
	mov a,#0x5a
	; register forms, in two banks
	acall regs
	mov psw,#0x18
	mov a,#0xc3
	acall regs
	mov psw,#0x00

	; direct, immediate and indirect forms
	.irp op,add,addc,subb,orl,anl,xrl
	op a,#0x3c
	op a,0x30
	op a,@r0
	op a,@r1
	.endm
	.irp op,orl,anl,xrl
	op 0x31,a
	op 0x31,#0x5f
	.endm
	inc a
	inc 0x30
	inc @r0
	inc @r1
	dec a
	dec 0x30
	dec @r0
	dec @r1
	mov a,#0x12
	mov a,0x31
	mov a,@r0
	mov a,@r1
	mov 0x32,a
	mov 0x33,#0x44
	mov 0x34,0x33
	mov 0x35,@r0
	mov 0x36,@r1
	mov @r0,a
	mov @r1,#0x77
	mov @r0,#0x66
	mov @r1,a
	mov @r0,0x30
	mov @r1,0x34
	xch a,0x30
	xch a,@r0
	xch a,@r1
	xchd a,@r0
	xchd a,@r1
	push 0x30
	push acc
	pop 0x37
	pop b
	cjne a,#0x99,.+3
	cjne a,0x30,.+3
	cjne @r0,#0x10,.+3
	cjne @r1,#0x77,.+3
	mov 0x38,#3
1$:	djnz 0x38,1$

	; accumulator operations
	mov a,#0x96
	rr a
	rrc a
	rl a
	rlc a
	swap a
	cpl a
	clr a
	mov a,#0x47
	add a,#0x38
	da a
	mov b,#0x0d
	mul ab
	mov b,#0x07
	div ab
	clr c
	cpl c
	setb c

	; bits in RAM and in SFRs
	mov 0x20,#0x5a
	setb 0x00
	clr 0x01
	cpl 0x02
	setb acc.3
	clr psw.5
	cpl b.7
	mov c,0x03
	mov 0x04,c
	anl c,0x05
	anl c,/0x06
	orl c,0x07
	orl c,/0x00
	jb 0x01,.+3
	jnb 0x01,.+3
	jbc 0x00,.+3
	jbc 0x00,.+3
	jc .+2
	jnc .+2
	mov a,#0
	jz .+2
	jnz .+2

	; jumps, calls and tables
	mov dptr,#table
	mov a,#3
	movc a,@a+dptr
	mov a,#1
	acall pctab
	mov dptr,#jumps
	mov a,#2
	jmp @a+dptr
jumps:	sjmp 2$
	sjmp 2$
2$:	lcall sub
	ljmp 3$
3$:	ljmp page0
pages_done:
	; external data
	mov dptr,#0x0123
	mov a,#0xa9
	movx @dptr,a
	inc dptr
	movx a,@dptr
	mov dptr,#0x1234
	mov p2,#0x02
	mov r0,#0x10
	movx @r0,a
	mov r1,#0x11
	movx @r1,a
	movx a,@r0
	movx a,@r1
	nop
	sjmp .

regs:	; every Rn form, with R0..R7 = 1, 2, 4, ...
	mov r0,#0x01
	mov r1,#0x02
	mov r2,#0x04
	mov r3,#0x08
	mov r4,#0x10
	mov r5,#0x20
	mov r6,#0x40
	mov r7,#0x80
	.irp r,r0,r1,r2,r3,r4,r5,r6,r7
	inc r
	dec r
	add a,r
	addc a,r
	orl a,r
	anl a,r
	xrl a,r
	subb a,r
	xch a,r
	mov 0x30,r
	mov r,0x31
	cjne r,#0x12,.+3
	djnz r,.+2
	mov a,r
	mov r,a
	mov r,#0x5a
	.endm
	ret

pctab:	inc a
	movc a,@a+pc
	ret
	.db 0x10, 0x20, 0x30

sub:	mov a,#0x42
	ret

; AJMP and ACALL take their opcode from the target's page in the 2 KiB block: visit all eight.
	.org 0x0800
page0:	acall sub0
	ajmp page1
	.org 0x0900
page1:	acall sub1
	ajmp page2
	.org 0x0a00
page2:	acall sub2
	ajmp page3
	.org 0x0b00
page3:	acall sub3
	ajmp page4
	.org 0x0c00
page4:	acall sub4
	ajmp page5
	.org 0x0d00
page5:	acall sub5
	ajmp page6
	.org 0x0e00
page6:	acall sub6
	ajmp page7
	.org 0x0f00
page7:	acall sub7
	ajmp back0
	.org 0x0880
back0:	ljmp pages_done
	.org 0x08f0
sub0:	inc 0x3f
	ret
	.org 0x09f0
sub1:	inc 0x3f
	ret
	.org 0x0af0
sub2:	inc 0x3f
	ret
	.org 0x0bf0
sub3:	inc 0x3f
	ret
	.org 0x0cf0
sub4:	inc 0x3f
	ret
	.org 0x0df0
sub5:	inc 0x3f
	ret
	.org 0x0ef0
sub6:	inc 0x3f
	ret
	.org 0x0ff0
sub7:	inc 0x3f
	ret
