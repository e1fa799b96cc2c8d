Sub Main
  Print CInt(1e10)
End Sub
