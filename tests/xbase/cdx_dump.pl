#!/usr/bin/perl
# Prints the entries of one tag of a CDX file in key order, one per line as
# "record<TAB>key", read by Perl's XBase::Index (an independent reader).
# Usage: cdx_dump.pl FILE.CDX TAG TYPE   (TYPE: C, N, D or L)
use strict;
use warnings;
use XBase::Index;

my ($file, $tag, $type) = @ARGV;
die "usage: cdx_dump.pl FILE TAG TYPE\n" unless defined $type;
my $index = XBase::Index->new($file, 'tag' => $tag, 'type' => $type)
    or die "cannot open $file tag $tag: " . XBase::Index->errstr . "\n";
$index->prepare_select;
while (my ($key, $recno) = $index->fetch) {
    $key =~ s/[\0 ]+$// if $type eq 'C';
    print "$recno\t$key\n";
}
