Sub Main
  Bar 1, 2
End Sub
Sub Bar(x)
End Sub
