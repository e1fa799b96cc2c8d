Sub Main
  For s = "a" To "c"
    Print s
  Next s
End Sub
