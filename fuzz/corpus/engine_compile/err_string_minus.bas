Sub Main
  Print "a" - 1
End Sub
