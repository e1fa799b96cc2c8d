Sub Main
  Print "[" & Chr(300) & "]"
  Print "goes on"
End Sub
