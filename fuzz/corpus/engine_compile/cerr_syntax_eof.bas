Sub Main
  If x Then
    Print x
