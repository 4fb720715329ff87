; Arithmetic flag cases: ADD, ADDC and SUBB with both carries, DA A, MUL, DIV (by zero too) and
; CJNE over every pair of a set of boundary values; results go to external RAM from 0x0400.
	.area CODE (ABS)
	.org 0
	ljmp start

	.org 0x40
start:
	mov sp,#0x60
	mov dptr,#0x0400
	mov r2,#0
outer:
	mov r3,#0
inner:
	mov a,r3
	acall value
	mov r5,a
	mov 0x30,a
	mov r1,#0x30
	mov a,r2
	acall value
	mov r6,a
	; A = value[i], operand = value[j]
	add a,r5
	acall keep
	mov a,r6
	setb c
	addc a,0x30
	acall keep
	mov a,r6
	clr c
	subb a,@r1
	acall keep
	mov a,r6
	setb c
	subb a,r5
	acall keep
	mov a,r6
	add a,r5
	da a
	acall keep
	mov a,r6
	setb c
	addc a,r5
	da a
	acall keep
	mov a,r6
	mov b,r5
	mul ab
	acall keep
	mov a,r6
	mov b,r5
	div ab
	acall keep
	mov a,r6
	cjne a,0x30,1$
1$:	mov a,psw
	movx @dptr,a
	inc dptr
	inc r3
	cjne r3,#9,inner
	inc r2
	cjne r2,#9,outer
	sjmp .

; A and PSW to external RAM.
keep:	movx @dptr,a
	inc dptr
	mov a,psw
	movx @dptr,a
	inc dptr
	ret

value:	inc a
	movc a,@a+pc
	ret
	.db 0x00, 0x01, 0x0f, 0x10, 0x7f, 0x80, 0x99, 0x9a, 0xff
