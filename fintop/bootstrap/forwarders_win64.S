/* GetTopNorvaneEntry and TestIterator for 64-bit Windows (fintop.dll).

   Each finds its host entry point with FintopFindForwardTarget (bootstrap_exports.cpp) and
   jumps to it with the registers and the stack exactly as the caller left them, so the entry
   point sees the caller's arguments and returns straight to the caller. Saved around the
   lookup: the argument registers rcx, rdx, r8, r9 (in the caller's home area, where they are
   put back from before the jump) and xmm0-xmm3. The lookup is called with its 32 bytes of
   home area and the stack aligned to 16 bytes; the frame has unwind information. Not found:
   rax and xmm0 (the result registers) are zeroed and it returns. */

/* FORWARDER name, which: `which` is the lookup's index of the entry point. */
.macro FORWARDER name, which
	.text
	.globl	\name
	.def	\name; .scl 2; .type 32; .endef
	.p2align 4
\name:
	.seh_proc \name
	movq	%rcx, 8(%rsp)
	movq	%rdx, 16(%rsp)
	movq	%r8, 24(%rsp)
	movq	%r9, 32(%rsp)
	/* Home area for the lookup (32), xmm0-xmm3 (64), and 8 to align: rsp is 8 past a
	   multiple of 16 on entry. */
	subq	$104, %rsp
	.seh_stackalloc 104
	.seh_endprologue
	movaps	%xmm0, 32(%rsp)
	movaps	%xmm1, 48(%rsp)
	movaps	%xmm2, 64(%rsp)
	movaps	%xmm3, 80(%rsp)
	movl	$\which, %ecx
	call	FintopFindForwardTarget
	movaps	32(%rsp), %xmm0
	movaps	48(%rsp), %xmm1
	movaps	64(%rsp), %xmm2
	movaps	80(%rsp), %xmm3
	movq	112(%rsp), %rcx
	movq	120(%rsp), %rdx
	movq	128(%rsp), %r8
	movq	136(%rsp), %r9
	testq	%rax, %rax
	jz	1f
	/* Epilogue: the stack adjustment, then a jump the unwinder recognises as the end. */
	addq	$104, %rsp
	rex.W jmp *%rax
1:
	xorl	%eax, %eax
	xorps	%xmm0, %xmm0
	addq	$104, %rsp
	ret
	.seh_endproc

	.section .drectve
	.ascii	" -export:\"\name\""
.endm

/* The indices are those of FintopFindForwardTarget. */
FORWARDER GetTopNorvaneEntry, 0
FORWARDER TestIterator, 1
