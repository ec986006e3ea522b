/* GetTopNorvaneEntry and TestIterator for x86-64 System V (the ELF build).

   Each finds its host entry point with FintopFindForwardTarget (bootstrap_exports.cpp) and
   jumps to it with the registers and the stack exactly as the caller left them, so the entry
   point sees the caller's arguments and returns straight to the caller. Saved around the
   lookup: every argument register of the C convention, rdi, rsi, rdx, rcx, r8, r9, xmm0-xmm7,
   and rax, whose low byte tells a variadic callee how many vector registers carry arguments.
   r10 (the static chain) is not an argument register of C; the lookup may change it. The
   lookup is called with the stack aligned to 16 bytes. Not found: rax, rdx, xmm0 and xmm1
   are zeroed (every register result of the convention but the x87 stack) and it returns.

   Neither sanitizer instruments this file: the thunks touch no memory but their own frame,
   and the entry point is reached by a jump, not a call through a typed pointer. */
#if defined(__CET__)
#include <cet.h>
#else
#define _CET_ENDBR
#endif

/* FORWARDER name, which: `which` is the lookup's index of the entry point. */
.macro FORWARDER name, which
	.text
	.globl	\name
	.type	\name, @function
	.p2align 4
\name:
	.cfi_startproc
	_CET_ENDBR
	pushq	%rbp
	.cfi_def_cfa_offset 16
	.cfi_offset %rbp, -16
	movq	%rsp, %rbp
	.cfi_def_cfa_register %rbp
	andq	$-16, %rsp
	subq	$192, %rsp
	movq	%rdi, 0(%rsp)
	movq	%rsi, 8(%rsp)
	movq	%rdx, 16(%rsp)
	movq	%rcx, 24(%rsp)
	movq	%r8, 32(%rsp)
	movq	%r9, 40(%rsp)
	movq	%rax, 48(%rsp)
	movaps	%xmm0, 64(%rsp)
	movaps	%xmm1, 80(%rsp)
	movaps	%xmm2, 96(%rsp)
	movaps	%xmm3, 112(%rsp)
	movaps	%xmm4, 128(%rsp)
	movaps	%xmm5, 144(%rsp)
	movaps	%xmm6, 160(%rsp)
	movaps	%xmm7, 176(%rsp)
	movl	$\which, %edi
	call	FintopFindForwardTarget@PLT
	movq	%rax, %r11
	movq	0(%rsp), %rdi
	movq	8(%rsp), %rsi
	movq	16(%rsp), %rdx
	movq	24(%rsp), %rcx
	movq	32(%rsp), %r8
	movq	40(%rsp), %r9
	movq	48(%rsp), %rax
	movaps	64(%rsp), %xmm0
	movaps	80(%rsp), %xmm1
	movaps	96(%rsp), %xmm2
	movaps	112(%rsp), %xmm3
	movaps	128(%rsp), %xmm4
	movaps	144(%rsp), %xmm5
	movaps	160(%rsp), %xmm6
	movaps	176(%rsp), %xmm7
	leave
	.cfi_def_cfa %rsp, 8
	.cfi_restore %rbp
	testq	%r11, %r11
	jz	1f
	jmp	*%r11
1:
	xorl	%eax, %eax
	xorl	%edx, %edx
	xorps	%xmm0, %xmm0
	xorps	%xmm1, %xmm1
	ret
	.cfi_endproc
	.size	\name, . - \name
.endm

/* The indices are those of FintopFindForwardTarget. */
FORWARDER GetTopNorvaneEntry, 0
FORWARDER TestIterator, 1

	.section .note.GNU-stack, "", @progbits
