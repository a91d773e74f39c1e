#!/usr/bin/env bash
# check_instructions.sh OBJDUMP IMAGE: fails when the code of IMAGE holds an instruction newer
# than the 80486, naming the address of each: what a Pentium, Pentium MMX or AMD K6 would stop
# at with an illegal instruction, or a 486 with an unknown one. The whole image counts, the
# compiler's own library pieces linked into it included. Newer than the 486: the Pentium Pro's
# cmov, fcmov, fcomi and fucomi, its ud2 and long nop; sysenter and sysexit; the Pentium's
# cpuid, rdtsc, rdmsr, wrmsr, rsm and cmpxchg8b; MMX, SSE and later (any mm or xmm register,
# emms, the fences, prefetches, movnti, popcnt, lzcnt, tzcnt, movbe).
set -eu
objdump=$1
image=$2
newer='^(cmov|fcmov|fcomi|fucomi|ud2|nopw|nopl|sysenter|sysexit|cpuid|rdtsc|rdpmc|rdmsr|wrmsr|rsm|cmpxchg8b|emms|lfence|mfence|sfence|prefetch|movnti|popcnt|lzcnt|tzcnt|movbe)'
# objdump -d: "address:<TAB>mnemonic operands" per instruction (without the raw bytes).
offenders=$("$objdump" -d --no-show-raw-insn "$image" | awk -F'\t' -v newer="$newer" '
  NF >= 2 && $1 ~ /^ *[0-9a-f]+:$/ {
    split($2, part, " ")
    if (part[1] ~ newer || $2 ~ /%x?mm[0-9]/) { sub(/:$/, "", $1); print "  0x" $1 ": " $2 }
  }')
count=$("$objdump" -d --no-show-raw-insn "$image" | grep -c $'^ *[0-9a-f]*:\t' || true)
if [ -n "$offenders" ]; then
  echo "$image holds instructions newer than the 80486:"
  echo "$offenders"
  exit 1
fi
echo "$image: $count instructions, none newer than the 80486"
