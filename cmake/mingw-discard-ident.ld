/* Every object of the C runtime brings the compiler's version string; the
   program has no use for two dozen copies of it. Added to the default script. */
SECTIONS
{
  /DISCARD/ : { *(.rdata$zzz) }
}
INSERT BEFORE .rdata;
