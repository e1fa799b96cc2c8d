Sub Main
 Do
  x = x + 1
 Loop
End Sub
