/* GetTopNorvaneEntry and TestIterator for 32-bit Windows (fintop.dll), cdecl.

   Each finds its host entry point with FintopFindForwardTarget (bootstrap_exports.cpp) and
   jumps to it with esp and the stack exactly as the caller left them, so the entry point sees
   the caller's arguments (all on the stack, a structure's result address included) and
   returns straight to the caller, who removes them. ecx and edx carry no argument of cdecl
   but are kept as well. The lookup is called with the stack aligned to 16 bytes. Not found:
   eax and edx are zeroed and it returns; the x87 stack is left empty, as for any result that
   is not floating-point, so a caller expecting a floating-point result reads no number. */

/* FORWARDER name, which: `which` is the lookup's index of the entry point. */
.macro FORWARDER name, which
	.text
	.globl	_\name
	.def	_\name; .scl 2; .type 32; .endef
	.p2align 4
_\name:
	.cfi_startproc
	pushl	%ebp
	.cfi_def_cfa_offset 8
	.cfi_offset %ebp, -8
	movl	%esp, %ebp
	.cfi_def_cfa_register %ebp
	pushl	%ecx
	pushl	%edx
	andl	$-16, %esp
	subl	$12, %esp
	pushl	$\which
	call	_FintopFindForwardTarget
	movl	-4(%ebp), %ecx
	movl	-8(%ebp), %edx
	leave
	.cfi_def_cfa %esp, 4
	.cfi_restore %ebp
	testl	%eax, %eax
	jz	1f
	jmp	*%eax
1:
	xorl	%edx, %edx
	ret
	.cfi_endproc

	.section .drectve
	.ascii	" -export:\"\name\""
.endm

/* The indices are those of FintopFindForwardTarget. */
FORWARDER GetTopNorvaneEntry, 0
FORWARDER TestIterator, 1
