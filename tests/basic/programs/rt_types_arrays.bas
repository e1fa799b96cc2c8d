' Runtime library: type tests, True/False, LBound/UBound/Erase.
Sub Main
  Dim v As Variant, i As Integer, s As String
  Dim a(3) As Integer, b(2 To 5, 1 To 3) As Long, t(2) As String
  Print VarType(v); VarType(i); VarType(s); IsEmpty(v); IsEmpty(i)
  v = 1.5
  Print VarType(v); IsNumeric(v); IsNumeric("12"); IsNumeric("1x"); IsNull(v); IsObject(v); IsArray(a); IsArray(i)
  Print IsDate("10:30:00"); IsDate("hello"); IsDate("2/29/2024"); IsDate("2/30/2023")
  Print True; False; True = -1; Not False
  Print LBound(a); UBound(a); LBound(b); UBound(b); LBound(b, 2); UBound(b, 2); LBound(b, 0); LBound(i); UBound(s, 2)
  a(1) = 7: b(3, 2) = 70000: t(2) = "x"
  Erase a
  Erase b
  Erase t
  Erase i
  Print a(1); b(3, 2); "[" & t(2) & "]"; UBound(b, 1)
End Sub
