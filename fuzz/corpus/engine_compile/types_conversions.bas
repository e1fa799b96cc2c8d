' Conversions, literal types and number formats.
Sub Main
  Print CInt(2.5); CInt(-2.5); CInt(3.5)
  Print Int(-2.5); Int(-2); Fix(-2.5); Fix(2.7)
  Print &HFF; &HFFFF; &H10000; 40000
  Print VarType(&HFFFF); VarType(&H10000); VarType(40000); VarType(5); VarType(1.5); VarType("x")
  Print 0.1; CSng(0.1); CDbl(1) / 3
  Print 7 / 2; 7 Mod 3; -7 Mod 3; 2 ^ 10
  Print "abc" = "ABC"; 1 < 2; 2 < 1
  Print Hex(255); Oct(8); Str(1.5); CStr(2.25)
  Print Val("12.5abc"); Val("x")
  Print Len(5); Len("hello"); Len(CLng(5)); Len(1.5)
End Sub
