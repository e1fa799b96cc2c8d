Declare Function nope Lib "libtessel_no_such_library.so" () As Long
Sub Main
  Print nope()
End Sub
