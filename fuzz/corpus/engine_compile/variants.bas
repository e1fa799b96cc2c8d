' Variant values change type with each assignment; declared types convert.
Sub Main
  Dim v
  v = 5
  Print v; VarType(v)
  v = "text"
  Print v; VarType(v)
  v = 2.5
  Print v; VarType(v)
  Print IsEmpty(w); IsNumeric("12"); IsNumeric("x1")
  Dim i As Integer
  i = 2.5
  Print i
  i = -2.5
  Print i
  i = "42"
  Print i
  Dim l As Long
  l = 32767
  l = l + 1
  Print l
  For k = 32766 To 32768
    Print k; VarType(k)
  Next k
End Sub
