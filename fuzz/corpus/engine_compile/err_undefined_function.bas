Sub Main
  Foo 1
End Sub
