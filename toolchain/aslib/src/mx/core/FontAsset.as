package mx.core
{
	import flash.text.Font;

	/**
	 * Base of the classes the compiler makes for fonts embedded from a
	 * symbol of a SWF file ([Embed(source="library.swf", symbol="...")]).
	 */
	public class FontAsset extends Font implements IFlexAsset
	{
		public function FontAsset()
		{
			super();
		}
	}
}
