' Lib declarations: the C library through dlopen, the engine's own runtime by export name.
Declare Function labs Lib "libc.so.6" (ByVal n&) As Long
Declare Function MyAbs Lib "tessel32.dll" Alias "eAbs" (ByVal v As Variant) As Double
Sub Main
  Print labs(-5)
  Print MyAbs(-2.5)
End Sub
