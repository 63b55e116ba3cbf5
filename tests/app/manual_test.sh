# Every example of the user's manual, run in order on a new profile and the
# demo library, prints what the manual shows.

python3 manual_examples.py "$VOSTREL" ../../help/vostrel_help.html "$WORK/manual-profile" "${VOSTREL_DEMO:?}"
check "the manual's examples give the output it shows" 0 $?
