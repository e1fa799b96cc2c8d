Sub Main
  Print CInt(32767.49)
  Print CInt("-32768")
  Print CInt(32767.5)
  Print "not reached"
End Sub
