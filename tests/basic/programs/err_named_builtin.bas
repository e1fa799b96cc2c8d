Sub Main
  Print Len(s := "abc")
End Sub
