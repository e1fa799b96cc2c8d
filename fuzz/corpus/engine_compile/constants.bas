' Host-style constant lines with tabs, hex constants, True and False.
Const OB_A	=	1
Const OB_B = &H8
Const TITLE$ = "n"
Sub Main
  Print OB_A; OB_B; TITLE$
  Print OB_A + OB_B
  Print True; False
End Sub
